// The service's answer envelope: <Response><Success>true</Success><Error><Message>...</Message>
// </Error>...</Response>. An answer is accepted only when the first Success text, lower-cased, is
// exactly "true"; anything else (a missing element, an empty answer, text that is not XML, an
// answer that brings its own document type) is a refusal, with the service's explanation when it
// gave one.
#pragma once

#include <string>

namespace transport {

struct AnswerVerdict {
    bool accepted = false;
    std::string errorMessage;  // system code page; "" when accepted or not given
};

// Parses `answerText` (system code page) with the platform's XML parser on the calling thread,
// whose COM state is as before when it returns.
AnswerVerdict JudgeAnswer(const std::string& answerText);

}  // namespace transport
