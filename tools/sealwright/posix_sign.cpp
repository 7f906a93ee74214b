// Sealwright stand-in: signs a document with a detached CMS (PKCS#7) signature written beside it as
// <document>.p7s (DER), using Sealwright.key and Sealwright.crt found beside this program.
//
//   Sealwright DOCUMENT                      local signature
//   Sealwright DOCUMENT IP PORT CHANNEL      remote signature (not offered by this stand-in)
//
// Exit codes: 0 signed; 2 wrong usage; 3 document missing or unreadable; 4 key or certificate missing or
// unreadable; 5 the signature could not be made or written; 6 remote signature asked for.
#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/pem.h>

#include <cstdio>
#include <memory>
#include <string>

#include "common/settings.h"

namespace {

enum ExitCode { kSigned = 0, kUsage = 2, kNoDocument = 3, kNoKey = 4, kSignFailed = 5, kRemote = 6 };

struct BioFree {
    void operator()(BIO* b) const { BIO_free(b); }
};
struct KeyFree {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct CertFree {
    void operator()(X509* c) const { X509_free(c); }
};
struct CmsFree {
    void operator()(CMS_ContentInfo* c) const { CMS_ContentInfo_free(c); }
};

int Fail(int code, const std::string& message) {
    std::fprintf(stderr, "Sealwright: %s\n", message.c_str());
    return code;
}

std::string OpenSslError() {
    unsigned long e = ERR_get_error();
    char text[256] = "unknown error";
    if (e != 0) ERR_error_string_n(e, text, sizeof text);
    return text;
}

int Sign(const std::string& document) {
    std::unique_ptr<BIO, BioFree> content(BIO_new_file(document.c_str(), "rb"));
    if (!content) return Fail(kNoDocument, "cannot read document " + document);
    std::string dir = GetProgramDirectory();
    std::string keyPath = dir + "/Sealwright.key", certPath = dir + "/Sealwright.crt";
    std::unique_ptr<BIO, BioFree> keyFile(BIO_new_file(keyPath.c_str(), "r"));
    std::unique_ptr<BIO, BioFree> certFile(BIO_new_file(certPath.c_str(), "r"));
    if (!keyFile || !certFile) return Fail(kNoKey, "cannot read " + keyPath + " or " + certPath);
    std::unique_ptr<EVP_PKEY, KeyFree> key(PEM_read_bio_PrivateKey(keyFile.get(), nullptr, nullptr, nullptr));
    std::unique_ptr<X509, CertFree> cert(PEM_read_bio_X509(certFile.get(), nullptr, nullptr, nullptr));
    if (!key || !cert) return Fail(kNoKey, "unusable key or certificate: " + OpenSslError());
    std::unique_ptr<CMS_ContentInfo, CmsFree> cms(
        CMS_sign(cert.get(), key.get(), nullptr, content.get(), CMS_DETACHED | CMS_BINARY));
    if (!cms) return Fail(kSignFailed, "signing failed: " + OpenSslError());
    std::string signaturePath = document + ".p7s";
    std::unique_ptr<BIO, BioFree> out(BIO_new_file(signaturePath.c_str(), "wb"));
    if (!out || i2d_CMS_bio(out.get(), cms.get()) != 1 || BIO_flush(out.get()) != 1)
        return Fail(kSignFailed, "cannot write " + signaturePath);
    return kSigned;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5) return Fail(kRemote, "remote signature is not offered by this signer");
    if (argc != 2 || argv[1][0] == '\0') return Fail(kUsage, "usage: Sealwright DOCUMENT [IP PORT CHANNEL]");
    return Sign(argv[1]);
}
