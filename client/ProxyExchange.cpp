#include "ProxyExchange.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "ProxyDialog.h"

namespace client {
namespace {

// Each credential set goes to a proxy at most once per run: resending a refused password is
// how an account gets locked.
class OfferedSets {
public:
    bool Contains(const ProxyLogin& login) const {
        return std::any_of(sets_.begin(), sets_.end(), [&login](const ProxyLogin& l) {
            return l.proxy == login.proxy && l.credentials.user == login.credentials.user &&
                   l.credentials.password == login.credentials.password;
        });
    }
    bool AnyFor(const std::wstring& proxy) const {
        return std::any_of(sets_.begin(), sets_.end(),
                           [&proxy](const ProxyLogin& l) { return l.proxy == proxy; });
    }
    void Add(const ProxyLogin& login) { sets_.push_back(login); }

private:
    std::vector<ProxyLogin> sets_;
};

// The saved user for the first proxy that asks and may have it (SavedProxyUser::MayGoTo), once.
std::optional<ProxyLogin> SavedLogin(std::optional<SavedProxyUser>& saved,
                                     const HttpAnswer& answer) {
    if (!saved || !saved->MayGoTo(answer.proxy, answer.proxyFromUserSettings)) return std::nullopt;
    ProxyLogin login{answer.proxy, saved->credentials, saved->allowedSchemes()};
    saved.reset();
    if (!(answer.proxySchemes & login.schemes)) return std::nullopt;
    return login;
}

}  // namespace

HttpAnswer SendThroughProxy(HttpSender& sender, const ClientRequest& request,
                            const ProxyStore& store, NetworkDeadline& deadline,
                            DialogTime dialogTime) {
    HttpAnswer answer = sender.Send(request.query);
    std::optional<SavedProxyUser> saved = store.Load();
    const DWORD savedScheme = saved ? saved->scheme : 0;
    OfferedSets offered;
    while (answer.proxyAsks) {
        std::optional<ProxyLogin> login = SavedLogin(saved, answer);
        const bool fromStore = login.has_value();
        if (!login && request.showProxyDialog) {
            NetworkDeadline::Pause person(deadline);
            auto typed =
                AskProxyCredentials(answer.proxy, offered.AnyFor(answer.proxy), dialogTime);
            if (!typed) return answer;
            login = ProxyLogin{answer.proxy, *typed};
            if (offered.Contains(*login)) continue;
        }
        if (!login) return answer;
        offered.Add(*login);
        HttpAnswer next = sender.Send(request.query, &*login);
        NetworkDeadline::Pause writing(deadline);
        if (next.acceptedScheme && next.status != 0 &&
            (!fromStore || savedScheme != next.acceptedScheme))
            store.Save(login->proxy, login->credentials, next.acceptedScheme);
        else if (next.loginRefused && fromStore)
            store.Remove();
        answer = std::move(next);
    }
    return answer;
}

}  // namespace client
