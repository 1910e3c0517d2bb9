// Whether the library follows a symbolic link at the last name of a path it
// is given: the calling thread's setting (SetFollowLastLink).
#pragma once

namespace lumenmeta {

bool FollowLastLink();

}  // namespace lumenmeta
