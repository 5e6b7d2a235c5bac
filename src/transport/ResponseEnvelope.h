// The service's answer envelope: <Response><Success>true</Success><Error><Message>...</Message>
// </Error>...</Response>. An answer counts as accepted only when the first Success text,
// lower-cased, is exactly "true"; anything else (a missing element, an empty answer, text that
// is not XML) is a refusal, with the service's explanation when it gave one.
#pragma once

#include <string>

#include "transport/XmlDom.h"

namespace transport {

extern const char* const kSuccessPath;       // "/Response/Success"
extern const char* const kErrorMessagePath;  // "/Response/Error/Message"

struct ResponseVerdict {
    bool accepted = false;
    std::string errorMessage;  // system code page; "" when accepted or not given
};

// Judges a loaded answer; the answer's current selection is changed.
ResponseVerdict JudgeResponse(CXmlDom& answer);
// Parses and judges an answer's text on the calling thread.
ResponseVerdict JudgeResponse(const std::string& answerText);

}  // namespace transport
