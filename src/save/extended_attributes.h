// Carrying a file's extended attributes over to the file that replaces it.
#pragma once

namespace lumenmeta {

// Gives the file `to` the extended attributes of the file `from`, in every
// namespace: user attributes (where desktops keep tags), POSIX ACLs
// (system.posix_acl_access and _default are attributes too), and security
// and trusted ones where the process may set them. Attributes `to` has that
// `from` lacks (such as an ACL inherited from the folder) are removed. An
// attribute the process may not set, or the file system does not keep, is
// skipped. Returns 0, or the errno of a failure that would lose one.
int CopyExtendedAttributes(int from, int to);

}  // namespace lumenmeta
