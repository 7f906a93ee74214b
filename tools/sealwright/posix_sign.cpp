// The POSIX signer: OpenSSL's CMS functions with Sealwright.key and Sealwright.crt (PEM) beside the program.
#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/pem.h>

#include <cstdio>
#include <memory>
#include <string>

#include "common/settings.h"
#include "tools/sealwright/sign.h"

namespace sealwright {

namespace {

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

std::string OpenSslError() {
    unsigned long e = ERR_get_error();
    char text[256] = "unknown error";
    if (e != 0) ERR_error_string_n(e, text, sizeof text);
    return text;
}

}  // namespace

int SignDocument(const std::string& document) {
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

}  // namespace sealwright
