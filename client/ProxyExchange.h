// One request sent through whatever proxies the system gives, answering a proxy's challenge
// with credentials that only ever go to the proxy they belong to.
#pragma once

#include "HttpSender.h"
#include "NetworkDeadline.h"
#include "ProxyDialog.h"
#include "ProxyStore.h"
#include "RequestFile.h"

namespace client {

// Sends the request; when a proxy the request went through asks for credentials, offers, in
// this order and each set at most once: the logged-on user's own (Negotiate or NTLM, inside
// HttpSender), the saved user when this very proxy accepted it before (in that scheme or a
// stronger one), or the file does not say which proxy did and the proxy is one of the user's
// static settings (never as Basic; dropped when the proxy refuses it now), then, where the
// request asks for the dialog, what the user types, off the deadline's clock. Credentials the
// proxy let the request through with are saved, bound to it and to the scheme it accepted. A
// 407 the proxy did not give itself gets nothing.
HttpAnswer SendThroughProxy(HttpSender& sender, const ClientRequest& request,
                            const ProxyStore& store, NetworkDeadline& deadline,
                            DialogTime dialogTime);

}  // namespace client
