#include "crypto/certexport.h"

#include "crypto/cryptexception.h"
#include "crypto/filebytes.h"
#include "crypto/store.h"

namespace crypto {

namespace {

// PEM text (Base64 is ASCII) as the file's bytes.
void appendPem(const CryptoCertificate &certificate, std::vector<BYTE> &bytes)
{
    const PCCERT_CONTEXT context = certificate.context();
    DWORD length = 0;
    if (!CryptBinaryToStringW(context->pbCertEncoded, context->cbCertEncoded, CRYPT_STRING_BASE64HEADER, nullptr,
                              &length))
        throwLastError();
    std::wstring text(length, L'\0');
    if (!CryptBinaryToStringW(context->pbCertEncoded, context->cbCertEncoded, CRYPT_STRING_BASE64HEADER, &text[0],
                              &length))
        throwLastError();
    text.resize(length);
    for (wchar_t c : text)
        bytes.push_back(static_cast<BYTE>(c));
}

} // namespace

std::vector<BYTE> encodeCertificates(const std::vector<CryptoCertificate> &certificates, CertificateFileForm form)
{
    std::vector<BYTE> bytes;
    switch (form) {
    case CertificateFileForm::Der: {
        if (certificates.size() != 1)
            throw CryptException(L"В файл DER записывается один сертификат: выберите один или сохраните их в "
                                 L"другом формате.\n",
                                 0);
        const PCCERT_CONTEXT context = certificates[0].context();
        bytes.assign(context->pbCertEncoded, context->pbCertEncoded + context->cbCertEncoded);
        break;
    }
    case CertificateFileForm::Base64:
        for (const CryptoCertificate &certificate : certificates)
            appendPem(certificate, bytes);
        break;
    case CertificateFileForm::Pkcs7:
    case CertificateFileForm::StoreFile: {
        MemoryStore store;
        for (const CryptoCertificate &certificate : certificates)
            store.add(certificate); // with its properties
        bytes = store.save(form == CertificateFileForm::Pkcs7 ? CERT_STORE_SAVE_AS_PKCS7 : CERT_STORE_SAVE_AS_STORE);
        break;
    }
    }
    return bytes;
}

void writeCertificateFile(const std::wstring &path, const std::vector<CryptoCertificate> &certificates,
                          CertificateFileForm form)
{
    replaceFileWith(path, encodeCertificates(certificates, form));
}

} // namespace crypto
