// test_ca.h - a certificate authority of the test's own, made with the
// openssl command: ca.pem; server.pem/server.key for 127.0.0.1 and
// localhost; client.pem/client.key for a till; and other-ca.pem, a second
// authority that signed none of them.
#ifndef QX_TEST_CA_H
#define QX_TEST_CA_H

#include <string>

namespace qxtest {

// Writes the files into a fresh folder and returns it; "" when openssl failed.
std::string makeTestCa();

}  // namespace qxtest

#endif  // QX_TEST_CA_H
