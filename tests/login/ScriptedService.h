// The service as the scripted client plays it, one answer per request in order. The scripted
// client takes its exit code and its kind of answer when it starts, and its body only after
// the test has released it; so each time a client reports its request, this writes that
// request's body and the script of the next client, then lets the client go on.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fakeclient/ScriptedClient.h"
#include "win32/Handle.h"

namespace login_tests {

struct Answer {
    DWORD exitCode = 200;
    std::string body;
    bool hasBody = true;
};

// The answers the stand-in service gives.
Answer Alive();
Answer NotAlive();
Answer Accepted();
Answer Refused(const std::string& message);
Answer Status(DWORD exitCode);

class ScriptedService {
public:
    // Answers requests in this order; the last answer repeats.
    explicit ScriptedService(std::vector<Answer> answers);
    ~ScriptedService();
    ScriptedService(const ScriptedService&) = delete;
    ScriptedService& operator=(const ScriptedService&) = delete;

    const std::string& directory() const { return client_.path(); }
    // The decrypted request texts received so far, in order.
    std::vector<std::string> Requests() const;

private:
    void Serve();
    void WriteScriptFor(size_t index) const;
    const Answer& AnswerFor(size_t index) const;

    testing_support::ScriptedClientDirectory client_;
    std::vector<Answer> answers_;
    std::string reportedName_;
    std::string releaseName_;
    win32::KernelHandle reported_;
    win32::KernelHandle release_;
    win32::KernelHandle stop_;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread server_;
};

// The value of one "key:" line of a request text.
std::string RequestField(const std::string& request, const std::string& key);

}  // namespace login_tests
