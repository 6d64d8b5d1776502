#include "ui/WindowReporter.h"

#include <utility>

#include "app/LangStrings.h"
#include "app/MessageBox.h"
#include "frames/FrameInfoCache.h"
#include "ui/ProgressWindow.h"
#include "ui/ReplaceDlg.h"

namespace {
// How often the window's texts and bar change, and how often the reporter
// itself lets messages through (a delete pumps nothing of its own).
constexpr DWORD kRefreshIntervalMs = 50;
}  // namespace

CWindowReporter::CWindowReporter(HWND owner, const char* operationKey, DWORD showDelayMs,
                                 std::function<void()> onShown)
    : owner_(owner),
      operation_(GetLangString(operationKey)),
      delayMs_(showDelayMs),
      start_(::GetTickCount()),
      onShown_(std::move(onShown)) {}

CWindowReporter::~CWindowReporter() {
    CloseWindow();
}

HWND CWindowReporter::ProgressWindow() const {
    return window_ ? window_->Handle() : nullptr;
}

ReplaceAnswer CWindowReporter::AskReplace(const ReplaceQuestion& question) {
    if (answerForAll_) return *answerForAll_;
    Shown();
    CReplaceDlg dialog(question);
    // Over the progress window when there is one: the main window is
    // disabled under it.
    const ReplaceAnswer answer = dialog.Ask(window_ ? window_->Handle() : owner_);
    if (answer == ReplaceAnswer::CancelAll) {
        cancelled_ = true;
    } else if (dialog.ForAll()) {
        answerForAll_ = answer;
    }
    // The time the user took to answer is not the operation's.
    if (!window_) start_ = ::GetTickCount();
    return answer;
}

void CWindowReporter::Fail(const char* key, const std::vector<std::string>& args) {
    // The operation stops after a failure; the box belongs to the main window.
    CloseWindow();
    Shown();
    AppMessageBox(ReportText(key, args), MB_OK | MB_ICONHAND);
}

bool CWindowReporter::Progress(const OperationProgress& progress) {
    if (cancelled_) {
        KeepAlive();
        return false;
    }
    const DWORD now = ::GetTickCount();
    if (!window_ && now - start_ >= delayMs_) OpenWindow();
    if (window_ && (progress.frameIndex != lastFrame_ || now - lastShown_ >= kRefreshIntervalMs)) {
        lastFrame_ = progress.frameIndex;
        lastShown_ = now;
        window_->Show(progress, TitleOf(progress.framePath));
    }
    // The window paints and answers from the first step, before the
    // progress window is up as after.
    PumpWhenDue();
    if (window_ && window_->CancelRequested()) cancelled_ = true;
    return !cancelled_;
}

void CWindowReporter::KeepAlive() {
    PumpWhenDue();
}

void CWindowReporter::PumpWhenDue() {
    const DWORD now = ::GetTickCount();
    if (lastPump_ != 0 && now - lastPump_ < kRefreshIntervalMs) return;
    lastPump_ = now ? now : 1;
    PumpMessages();
}

bool CWindowReporter::PreTranslateMessage(MSG* msg) {
    return window_ && window_->Handle() && ::IsDialogMessageA(window_->Handle(), msg);
}

void CWindowReporter::OpenWindow() {
    auto window = std::make_unique<CProgressWindow>();
    if (!window->Open(owner_, operation_)) return;
    window_ = std::move(window);
    Shown();
    // Disabled only once the window is up, so the activation goes to it and
    // not to another program.
    if (owner_ && ::IsWindowEnabled(owner_)) {
        ::EnableWindow(owner_, FALSE);
        ownerDisabled_ = true;
    }
}

void CWindowReporter::CloseWindow() {
    if (!window_) return;
    const bool wasActive = ::GetActiveWindow() == window_->Handle();
    if (ownerDisabled_) {
        ::EnableWindow(owner_, TRUE);
        ownerDisabled_ = false;
    }
    if (wasActive && owner_) ::SetActiveWindow(owner_);
    window_.reset();
}

void CWindowReporter::PumpMessages() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Left for the loop that owns the thread.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (PreTranslateMessage(&msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

void CWindowReporter::Shown() {
    const std::function<void()> onShown = std::exchange(onShown_, nullptr);
    if (onShown) onShown();
}

const std::string& CWindowReporter::TitleOf(const std::string& framePath) {
    if (framePath != titlePath_) {
        titlePath_ = framePath;
        const FrameInfo* info = framePath.empty() ? nullptr : GetFrameInfo(framePath);
        title_ = info ? info->title : std::string();
    }
    return title_;
}
