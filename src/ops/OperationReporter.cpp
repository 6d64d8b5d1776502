#include "ops/OperationReporter.h"

#include "app/LangStrings.h"
#include "win/FormatText.h"

std::string ReportText(const char* key, const std::vector<std::string>& args) {
    const std::string text = GetLangString(key);
    return args.empty() ? text : win::FormatMessageText(text, args);
}

std::string ReplaceQuestionText(const ReplaceQuestion& question) {
    return win::FormatMessageText(GetLangString("ERR_CONFIRM_REPLACE"),
                                  {question.existingTitle, question.existingFileName});
}
