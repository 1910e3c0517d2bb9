#include "platform/link_policy.h"

#include "lumenmeta.h"

namespace lumenmeta {

namespace {

thread_local bool followLastLink = true;

}  // namespace

bool FollowLastLink() { return followLastLink; }

}  // namespace lumenmeta

extern "C" int SetFollowLastLink(int follow) {
    const bool previous = lumenmeta::followLastLink;
    lumenmeta::followLastLink = follow != 0;
    return previous ? 1 : 0;
}
