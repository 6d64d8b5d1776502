#include "ui/MessageBoxReporter.h"

#include "app/MessageBox.h"

ReplaceAnswer CMessageBoxReporter::AskReplace(const ReplaceQuestion& question) {
    return AppMessageBox(ReplaceQuestionText(question), MB_OKCANCEL | MB_ICONEXCLAMATION) == IDOK
               ? ReplaceAnswer::Replace
               : ReplaceAnswer::Skip;
}

void CMessageBoxReporter::Fail(const char* key, const std::vector<std::string>& args) {
    AppMessageBox(ReportText(key, args), MB_OK | MB_ICONHAND);
}
