#include "login/ScriptedService.h"

#include "support/TestSupport.h"

namespace login_tests {

Answer Alive() {
    return Answer{200, "true"};
}
Answer NotAlive() {
    return Answer{200, "false"};
}
Answer Accepted() {
    return Answer{200, "<Response><Success>true</Success></Response>"};
}
Answer Refused(const std::string& message) {
    return Answer{200, "<Response><Success>false</Success><Error><Message>" + message +
                           "</Message></Error></Response>"};
}
Answer Status(DWORD exitCode) {
    return Answer{exitCode, "", false};
}

namespace {

std::string UniqueName(const char* what) {
    static std::atomic<int> counter{0};
    return "pelmora-login-test-" + std::string(what) + "-" + std::to_string(GetCurrentProcessId()) +
           "-" + std::to_string(counter++);
}

}  // namespace

ScriptedService::ScriptedService(std::vector<Answer> answers)
    : answers_(std::move(answers)),
      reportedName_(UniqueName("reported")),
      releaseName_(UniqueName("release")),
      // Auto-reset: each release lets exactly one client go on, even when it is set before
      // the client starts waiting.
      reported_(CreateEventA(nullptr, FALSE, FALSE, reportedName_.c_str())),
      release_(CreateEventA(nullptr, FALSE, FALSE, releaseName_.c_str())),
      stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    WriteScriptFor(0);
    server_ = std::thread([this] { Serve(); });
}

ScriptedService::~ScriptedService() {
    SetEvent(stop_.get());
    server_.join();
}

const Answer& ScriptedService::AnswerFor(size_t index) const {
    return answers_.at(index < answers_.size() ? index : answers_.size() - 1);
}

void ScriptedService::WriteScriptFor(size_t index) const {
    const Answer& answer = AnswerFor(index);
    client_.Script("exit=" + std::to_string(answer.exitCode) + "\n" +
                   (answer.hasBody ? "body=file\n" : "") + "signal=" + reportedName_ +
                   "\nwait=" + releaseName_ + "\n");
}

void ScriptedService::Serve() {
    HANDLE events[] = {stop_.get(), reported_.get()};
    for (size_t index = 0;; ++index) {
        if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(client_.LastRequest());
        }
        testing_support::WriteFileBytes(client_.File("fakeclient-body.txt"), AnswerFor(index).body);
        WriteScriptFor(index + 1);
        SetEvent(release_.get());
    }
}

std::vector<std::string> ScriptedService::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::string RequestField(const std::string& request, const std::string& key) {
    std::string marker = key + ":";
    size_t start = request.compare(0, marker.size(), marker) == 0 ? 0 : request.find("\n" + marker);
    if (start == std::string::npos) return std::string();
    if (start != 0) ++start;
    start += marker.size();
    return request.substr(start, request.find('\n', start) - start);
}

}  // namespace login_tests
