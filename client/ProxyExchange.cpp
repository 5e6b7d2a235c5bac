#include "ProxyExchange.h"

#include <algorithm>
#include <vector>

#include "ProxyDialog.h"

namespace client {
namespace {

// Each credential set goes to the proxy at most once per run: resending a refused password is
// how an account gets locked.
class OfferedSets {
public:
    bool Contains(const ProxyCredentials& credentials) const {
        return std::any_of(sets_.begin(), sets_.end(), [&credentials](const ProxyCredentials& c) {
            return c.user == credentials.user && c.password == credentials.password;
        });
    }
    void Add(const ProxyCredentials& credentials) { sets_.push_back(credentials); }
    bool empty() const { return sets_.empty(); }

private:
    std::vector<ProxyCredentials> sets_;
};

}  // namespace

HttpAnswer SendThroughProxy(HttpSender& sender, const ClientRequest& request,
                            const ProxyStore& store) {
    HttpAnswer answer = sender.Send(request.query, nullptr);
    // No proxy of ours asked (a direct connection): there is nobody to give a password to.
    if (!answer.proxyAuthRequired() || sender.proxyName().empty()) return answer;
    OfferedSets offered;
    const auto saved = store.Load();
    if (saved && saved->proxy == sender.proxyName()) {
        offered.Add(saved->credentials);
        answer = sender.Send(request.query, &saved->credentials);
        if (!answer.proxyAuthRequired()) return answer;
        store.Remove();
    }
    if (!request.showProxyDialog) return answer;
    for (;;) {
        auto entered = AskProxyCredentials(sender.proxyName(), !offered.empty());
        if (!entered) return answer;
        if (offered.Contains(*entered)) continue;
        offered.Add(*entered);
        answer = sender.Send(request.query, &*entered);
        if (!answer.proxyAuthRequired()) {
            if (answer.status != 0) store.Save(sender.proxyName(), *entered);
            return answer;
        }
    }
}

}  // namespace client
