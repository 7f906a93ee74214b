// The Windows signer: the system's CryptoAPI. The key and certificate come from Sealwright.pfx (PKCS#12,
// empty password) beside the program, imported for this run only; CryptSignMessage makes the detached
// PKCS#7 signature over the document, with the signer's certificate included.
#include "common/platform/win32_windows.h"

#include <wincrypt.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/platform/platform.h"
#include "common/settings.h"
#include "tools/sealwright/sign.h"

namespace sealwright {

namespace {

bool ReadWholeFile(const std::string& path, std::vector<BYTE>& content) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

std::string SystemError() {
    int code = platform::LastError();
    std::string text = platform::ErrorText(code);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return "error " + std::to_string(code) + ": " + text;
}

struct Store {
    HCERTSTORE handle = nullptr;
    ~Store() {
        if (handle) CertCloseStore(handle, 0);
    }
};
struct Certificate {
    PCCERT_CONTEXT context = nullptr;
    ~Certificate() {
        if (context) CertFreeCertificateContext(context);
    }
};

// The key is held for this run only: nothing is left in the user's key containers.
bool ImportPfx(std::vector<BYTE>& pfx, Store& store) {
    CRYPT_DATA_BLOB blob{static_cast<DWORD>(pfx.size()), pfx.data()};
    store.handle = PFXImportCertStore(&blob, L"", PKCS12_NO_PERSIST_KEY);
    if (!store.handle) store.handle = PFXImportCertStore(&blob, nullptr, PKCS12_NO_PERSIST_KEY);
    return store.handle != nullptr;
}

// The first certificate of the store that has its private key with it.
bool FindSigningCertificate(const Store& store, Certificate& certificate) {
    for (PCCERT_CONTEXT c = nullptr; (c = CertEnumCertificatesInStore(store.handle, c)) != nullptr;) {
        DWORD size = 0;
        if (CertGetCertificateContextProperty(c, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size) ||
            CertGetCertificateContextProperty(c, CERT_KEY_CONTEXT_PROP_ID, nullptr, &size)) {
            certificate.context = CertDuplicateCertificateContext(c);
            CertFreeCertificateContext(c);
            return true;
        }
    }
    return false;
}

bool SignDetached(PCCERT_CONTEXT certificate, const char* hashOid, const std::vector<BYTE>& content,
                  std::vector<BYTE>& signature) {
    CRYPT_SIGN_MESSAGE_PARA para{};
    para.cbSize = sizeof para;
    para.dwMsgEncodingType = PKCS_7_ASN_ENCODING | X509_ASN_ENCODING;
    para.pSigningCert = certificate;
    para.HashAlgorithm.pszObjId = const_cast<char*>(hashOid);
    para.cMsgCert = 1;
    para.rgpMsgCert = &certificate;
    const BYTE* parts[] = {content.empty() ? reinterpret_cast<const BYTE*>("") : content.data()};
    DWORD sizes[] = {static_cast<DWORD>(content.size())};
    DWORD size = 0;
    if (!CryptSignMessage(&para, TRUE, 1, parts, sizes, nullptr, &size)) return false;
    signature.resize(size);
    if (!CryptSignMessage(&para, TRUE, 1, parts, sizes, signature.data(), &size)) return false;
    signature.resize(size);
    return true;
}

}  // namespace

int SignDocument(const std::string& document) {
    std::vector<BYTE> content, pfx;
    if (!ReadWholeFile(document, content)) return Fail(kNoDocument, "cannot read document " + document);
    const std::string pfxPath = GetProgramDirectory() + "\\Sealwright.pfx";
    if (!ReadWholeFile(pfxPath, pfx)) return Fail(kNoKey, "cannot read " + pfxPath);
    Store store;
    if (!ImportPfx(pfx, store)) return Fail(kNoKey, "unusable " + pfxPath + ": " + SystemError());
    Certificate certificate;
    if (!FindSigningCertificate(store, certificate))
        return Fail(kNoKey, pfxPath + " holds no certificate with its private key");
    std::vector<BYTE> signature;
    // SHA-256 where the key's provider has it; a provider of the older kind (Wine imports PFX keys into
    // one) refuses it with NTE_BAD_ALGID, and then SHA-1 is the best it offers.
    bool made = SignDetached(certificate.context, szOID_NIST_sha256, content, signature) ||
                (GetLastError() == static_cast<DWORD>(NTE_BAD_ALGID) &&
                 SignDetached(certificate.context, szOID_OIWSEC_sha1, content, signature));
    if (!made) return Fail(kSignFailed, "signing failed: " + SystemError());
    const std::string signaturePath = document + ".p7s";
    std::ofstream out(signaturePath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(signature.data()),
              static_cast<std::streamsize>(signature.size()));
    out.close();
    if (!out) return Fail(kSignFailed, "cannot write " + signaturePath);
    return kSigned;
}

}  // namespace sealwright
