// The saved proxy user is bound to the "host:port" chosen here: the same proxy must give the
// same text whichever way the settings write it, and a list must never mean two proxies.
#include <gtest/gtest.h>

#include "ProxyAddress.h"

namespace {

TEST(ChooseProxyTest, OneProxyForTheUrlsSchemeWrittenOneWay) {
    struct Case {
        const wchar_t* list;
        bool secure;
        const wchar_t* chosen;
    };
    const Case cases[] = {
        {L"Proxy.Example:8080", false, L"proxy.example:8080"},
        {L"proxy.example", true, L"proxy.example:80"},
        {L"http://proxy.example:8080", false, L"proxy.example:8080"},
        {L"http=a:1;https=b:2", false, L"a:1"},
        {L"http=a:1;https=b:2", true, L"b:2"},
        {L"HTTPS=b:2 c:3", false, L"c:3"},
        {L"a:1; b:2", true, L"a:1"},
        {L"ftp=f:21", false, L""},
        {L"", false, L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(client::ChooseProxy(c.list, c.secure), c.chosen)
            << testing::PrintToString(std::wstring(c.list)) << (c.secure ? " https" : " http");
}

}  // namespace
