// test_ca.cpp - the openssl commands, one shell run.
#include "test_ca.h"

#include <cstdlib>

#include "tests/support/test_env.h"

namespace qxtest {

std::string makeTestCa() {
    const std::string dir = makeTempDir("ca");
    writeFile(dir + "/server.ext", "subjectAltName=DNS:localhost,IP:127.0.0.1\n");
    // EC keys: made in milliseconds, where RSA keys take a loaded machine seconds.
    const std::string script =
        "set -e; cd '" + dir + "'\n"
        "key() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out \"$1\"; }\n"
        "authority() { key \"$1.key\"; openssl req -x509 -new -key \"$1.key\" -out \"$1.pem\" "
        "-days 2 -subj \"/CN=$2\"; }\n"
        "signed() { key \"$1.key\"; openssl req -new -key \"$1.key\" -out \"$1.csr\" "
        "-subj \"/CN=$2\"; openssl x509 -req -in \"$1.csr\" -CA ca.pem -CAkey ca.key "
        "-CAcreateserial -out \"$1.pem\" -days 2 $3; }\n"
        "authority ca 'Test Chain CA'\n"
        "authority other-ca 'Unrelated CA'\n"
        "signed server localhost '-extfile server.ext'\n"
        "signed client till-1 ''\n";
    writeFile(dir + "/make.sh", script);
    const int rc = std::system(("sh '" + dir + "/make.sh' >'" + dir + "/make.log' 2>&1").c_str());
    return rc == 0 ? dir : "";
}

}  // namespace qxtest
