#include "transport/ResponseEnvelope.h"

#include "win32/Strings.h"

namespace transport {

const char* const kSuccessPath = "/Response/Success";
const char* const kErrorMessagePath = "/Response/Error/Message";

ResponseVerdict JudgeResponse(CXmlDom& answer) {
    ResponseVerdict verdict;
    answer.Select(kSuccessPath, 0);
    // No trimming: " true" is not "true".
    verdict.accepted = win32::ToLowerAscii(answer.GetText("", 0, 0)) == "true";
    if (!verdict.accepted) {
        answer.Select(kErrorMessagePath, 0);
        verdict.errorMessage = answer.GetText("", 0, 0);
    }
    return verdict;
}

ResponseVerdict JudgeResponse(const std::string& answerText) {
    CXmlDom answer(answerText);
    return JudgeResponse(answer);
}

}  // namespace transport
