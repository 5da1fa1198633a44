// token.h - the secret a client shows in its WebSocket handshake: made at
// the service's first start (32 random bytes as 64 hex digits) in a file
// only the service's user can read, and read from it at every later start.
// Called by main() before the service listens.
#ifndef QXD_TOKEN_H
#define QXD_TOKEN_H

#include <string>

namespace qxd {

// The token of path, made first when the file is missing.  false with
// the reason when it cannot be made or read, or others may read it.
bool loadOrCreateToken(const std::string& path, std::string& token, std::string& error);

}  // namespace qxd

#endif  // QXD_TOKEN_H
