// web_assets.h - the files the service serves (the web till and the client
// module), built into the program from service/web/ (web_assets.cmake).
#ifndef QXD_WEB_ASSETS_H
#define QXD_WEB_ASSETS_H

#include <string_view>

namespace qxd {

struct WebAsset {
    std::string_view path;  // "/", "/qxclient.js", ...
    std::string_view contentType;
    std::string_view body;
};

// Null when nothing is served at that path.
const WebAsset* findWebAsset(std::string_view path);

}  // namespace qxd

#endif  // QXD_WEB_ASSETS_H
