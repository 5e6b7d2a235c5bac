// One request sent through whatever proxy the system gives, answering the proxy's challenge
// with credentials that only ever go to the proxy they belong to.
#pragma once

#include "HttpSender.h"
#include "ProxyStore.h"
#include "RequestFile.h"

namespace client {

// Sends the request; on a proxy's demand offers, in this order and each set at most once: the
// logged-on user's own (Negotiate or NTLM, inside HttpSender), the saved user when this very
// proxy accepted it before (dropped when it refuses them now), then, where the request asks
// for the dialog, what the user types. Typed credentials are saved, bound to this proxy, once
// it has let the request through.
HttpAnswer SendThroughProxy(HttpSender& sender, const ClientRequest& request,
                            const ProxyStore& store);

}  // namespace client
