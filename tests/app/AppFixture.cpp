#include "AppFixture.h"

#include "app/Lumadex.h"
#include "app/MessageBox.h"

AppFixture::AppFixture() : langFile_(dir / "lang.INI") {
    DeleteRegTree(HKEY_CURRENT_USER, "Software\\ZORVA");
    DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\ZORVA");
    DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\ZORVA", KEY_WOW64_32KEY);
    WriteLanguageFile("1");
    SetMessageBoxResponder([this](const std::string& text, UINT flags) {
        boxes.push_back({text, flags});
        if (onBox) onBox(boxes.back());
        if (answers_.empty()) return IDCANCEL;
        const int answer = answers_.front();
        answers_.pop_front();
        return answer;
    });
}

AppFixture::~AppFixture() {
    SetMessageBoxResponder({});
}

void AppFixture::AnswerBoxes(std::deque<int> answers) {
    answers_ = std::move(answers);
}

void AppFixture::WriteLanguageFile(const char* flag) {
    std::string text = "[STRING]\nERR_LX=companion running\n";
    if (flag) text += std::string("USE_ADD_MEM_FUNC_FLAG=") + flag + "\n";
    testing_support::WriteFile(langFile_, text);
}

void AppFixture::WriteLumadexEntry(const std::string& caption, const std::string& path, REGSAM view) {
    const std::string key = std::string(kLumadexKey) + "\\" + kLumadexSubKey;
    WriteRegString(HKEY_LOCAL_MACHINE, key, kLumadexCaptionValue, caption, view);
    WriteRegString(HKEY_LOCAL_MACHINE, key, kLumadexPathValue, path, view);
}

RegTree AppFixture::StoredSettings() {
    RegTree tree;
    ReadRegTree(HKEY_CURRENT_USER, CZELMaintenanceApp::SettingsKeyPath(), tree);
    return tree;
}
