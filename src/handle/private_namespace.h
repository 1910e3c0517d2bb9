// The host application's own XMP namespace, where its variables and mirror
// properties live ("Xmp.Lumenframe.<name>").
#pragma once

namespace lumenmeta {

constexpr const char* kPrivateNamespacePrefix = "Lumenframe";
constexpr const char* kPrivateNamespaceUri = "http://ns.lumenframe.com/Lumenframe/1.0/";

}  // namespace lumenmeta
