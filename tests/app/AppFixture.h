// What the application tests share: the settings key and the companion's
// registry entry start empty and are put back as they were afterwards, every
// message box is recorded and answered by script, and the application reads a
// language file of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "RegistrySnapshot.h"
#include "TestFiles.h"
#include "app/App.h"

struct ShownBox {
    std::string text;
    UINT flags;
};

class AppFixture : public testing::Test {
protected:
    AppFixture();
    ~AppFixture() override;

    // Answers boxes with these buttons in turn (IDCANCEL once they run out);
    // onBox runs before each answer.
    void AnswerBoxes(std::deque<int> answers);
    std::function<void(const ShownBox&)> onBox;
    std::vector<ShownBox> boxes;

    // The language file the application reads; USE_ADD_MEM_FUNC_FLAG is
    // written only when flag is not null.
    void WriteLanguageFile(const char* flag);
    void UseLanguageFile(CZELMaintenanceApp& app) const { app.SetLanguageFile(langFile_); }

    // The companion's entry in one registry view (0: this build's own).
    static void WriteLumadexEntry(const std::string& caption, const std::string& path, REGSAM view = 0);
    // All settings values as stored.
    static RegTree StoredSettings();

    testing_support::TempDir dir;

private:
    RegistrySnapshot userKeys_{HKEY_CURRENT_USER, "Software\\ZORVA"};
    RegistrySnapshot machineKeys_{HKEY_LOCAL_MACHINE, "SOFTWARE\\ZORVA"};
    RegistrySnapshot machineKeys32_{HKEY_LOCAL_MACHINE, "SOFTWARE\\ZORVA", KEY_WOW64_32KEY};
    std::deque<int> answers_;
    std::string langFile_;
};

// A start-up that never opens the real window: the runner only records.
inline int RunWithoutWindow(CZELMaintenanceApp& app,
                            const CZELMaintenanceApp::MainWindowRunner& runner = {}) {
    return app.Run(runner ? runner : [](CZELMaintenanceApp&) {});
}
