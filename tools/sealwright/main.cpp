// Sealwright stand-in: signs a document with a detached CMS (PKCS#7) signature written beside it as
// <document>.p7s (DER), with a key and certificate found beside this program: Sealwright.key and
// Sealwright.crt (PEM) on POSIX, Sealwright.pfx (PKCS#12 without password) on Windows.
//
//   Sealwright DOCUMENT                      local signature
//   Sealwright DOCUMENT IP PORT CHANNEL      remote signature (not offered by this stand-in)
//
// Exit codes: 0 signed; 2 wrong usage; 3 document missing or unreadable; 4 key or certificate missing or
// unreadable; 5 the signature could not be made or written; 6 remote signature asked for.
#include <cstdio>

#include "tools/sealwright/sign.h"

namespace sealwright {

int Fail(int code, const std::string& message) {
    std::fprintf(stderr, "Sealwright: %s\n", message.c_str());
    return code;
}

}  // namespace sealwright

int main(int argc, char** argv) {
    using namespace sealwright;
    if (argc == 5) return Fail(kRemote, "remote signature is not offered by this signer");
    if (argc != 2 || argv[1][0] == '\0') return Fail(kUsage, "usage: Sealwright DOCUMENT [IP PORT CHANNEL]");
    return SignDocument(argv[1]);
}
