// Where a saved proxy password may go. It is bound to the "host:port" written here: one text for
// one proxy however the settings write it, the list's order is fail-over's, a bypassed host is
// never reached through one.
#include <gtest/gtest.h>

#include "ProxyAddress.h"
#include "ProxyStore.h"

namespace {

TEST(ProxyRoutesTest, TheUrlsSchemesEntriesInOrderWrittenOneWayAndTheBypassedHosts) {
    const std::tuple<const wchar_t*, bool, std::vector<std::wstring>> routes[] = {
        {L"Proxy.Example:8080", false, {L"proxy.example:8080"}},
        {L"proxy.example", true, {L"proxy.example:80"}},
        {L"http://proxy.example:8080", false, {L"proxy.example:8080"}},
        {L"http=a:1;https=b:2;https=c:3", true, {L"b:2", L"c:3"}},
        {L"HTTPS=b:2 c:3", false, {L"c:3"}},
        {L"PROXY a:1; PROXY b:2; DIRECT", false, {L"a:1", L"b:2", L""}},
        {L"ftp=f:21", false, {L""}},
    };
    for (const auto& [list, secure, expected] : routes)
        EXPECT_EQ(client::ProxyRoutes(list, secure), expected)
            << testing::PrintToString(std::wstring(list)) << (secure ? " https" : " http");
    const std::tuple<const wchar_t*, const wchar_t*, bool> bypass[] = {
        {L"<local>", L"intranet", true},      {L"<local>", L"intranet.corp", false},
        {L"*.corp", L"App.CORP", true},       {L"*.corp", L"corp.example", false},
        {L"10.*;<local>", L"10.1.2.3", true}, {L"http://*.corp:8080", L"a.corp", true},
        {L"a.corp:9", L"a.corp", false},      {L"", L"localhost", false},
    };
    for (const auto& [list, host, bypassed] : bypass)
        EXPECT_EQ(client::IsBypassed(list, host, 8080), bypassed)
            << testing::PrintToString(std::wstring(list) + L" " + host);
}

// What the proxy that asks may get of a saved user: the schemes it offers that the saved user may
// travel in, none when it may not have the user at all. Whoever answers on the network can name
// a proxy through automatic detection; only the user's own settings name one the earliest file,
// which says no proxy, may go to, and never as Basic.
TEST(SavedProxyUserTest, GoesOnlyToItsProxyInItsSchemeOrAStrongerOne) {
    const DWORD negotiate = WINHTTP_AUTH_SCHEME_NEGOTIATE, ntlm = WINHTTP_AUTH_SCHEME_NTLM,
                digest = WINHTTP_AUTH_SCHEME_DIGEST, basic = WINHTTP_AUTH_SCHEME_BASIC;
    const std::tuple<const wchar_t*, DWORD, const wchar_t*, bool, DWORD, DWORD> cases[] = {
        {L"a:1", basic, L"a:1", true, digest | basic, digest | basic},
        {L"a:1", basic, L"b:2", true, basic, 0},
        {L"a:1", digest, L"a:1", true, basic, 0},
        {L"a:1", ntlm, L"a:1", false, negotiate | digest, negotiate},
        {L"a:1", negotiate, L"a:1", true, ntlm, 0},
        {L"a:1", 0, L"a:1", false, basic, basic},
        {L"", 0, L"a:1", true, ntlm | digest | basic, ntlm | digest},
        {L"", 0, L"a:1", false, digest, 0},
    };
    for (const auto& [proxy, scheme, asking, userSettings, offered, allowed] : cases) {
        const client::SavedProxyUser saved{proxy, {L"user", L"password"}, scheme};
        EXPECT_EQ(saved.MayGoTo(asking, userSettings) ? offered & saved.allowedSchemes() : 0,
                  allowed)
            << testing::PrintToString(std::wstring(proxy) + L" " + asking) << " " << scheme;
    }
}

}  // namespace
