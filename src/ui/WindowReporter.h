// How the main window shows a running add, copy, move back or delete: a
// progress window once the operation has run a moment, the replace dialog
// (with "the same for the rest"), and failures in message boxes.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ops/OperationReporter.h"

class CProgressWindow;

// Operations shorter than this show no progress window at all.
inline constexpr DWORD kProgressWindowDelayMs = 500;

class CWindowReporter : public IOperationReporter {
public:
    // operationKey: the language key naming the operation in the window.
    // onShown runs once, when the operation first shows the user something:
    // its progress window, a question or a failure.
    CWindowReporter(HWND owner, const char* operationKey, DWORD showDelayMs = kProgressWindowDelayMs,
                    std::function<void()> onShown = {});
    ~CWindowReporter() override;
    CWindowReporter(const CWindowReporter&) = delete;
    CWindowReporter& operator=(const CWindowReporter&) = delete;

    ReplaceAnswer AskReplace(const ReplaceQuestion& question) override;
    void Fail(const char* key, const std::vector<std::string>& args) override;
    using IOperationReporter::Fail;
    bool Progress(const OperationProgress& progress) override;
    void KeepAlive() override;
    // The progress window's keys (Tab, Enter, Esc) for it, from the pump.
    bool PreTranslateMessage(MSG* msg);

    // The progress window, while it is open (null before and after).
    HWND ProgressWindow() const;

private:
    void OpenWindow();
    void CloseWindow();
    void PumpMessages();
    // Pumps at most every refresh interval.
    void PumpWhenDue();
    const std::string& TitleOf(const std::string& framePath);
    void Shown();

    HWND owner_;
    std::string operation_;
    DWORD delayMs_;
    DWORD start_;
    DWORD lastShown_ = 0;
    DWORD lastPump_ = 0;
    int lastFrame_ = -1;
    std::unique_ptr<CProgressWindow> window_;
    bool ownerDisabled_ = false;
    bool cancelled_ = false;
    std::optional<ReplaceAnswer> answerForAll_;
    std::string titlePath_, title_;
    std::function<void()> onShown_;
};
