#include "data/Sha256.h"

#include "data/Error.h"

#ifdef MARROWDESK_WITH_LIBCRYPTO
#include <openssl/evp.h>
#else
#include <QCryptographicHash>
#endif

#ifdef MARROWDESK_WITH_LIBCRYPTO

struct Sha256::State {
    EVP_MD_CTX *context = EVP_MD_CTX_new();
    ~State() { EVP_MD_CTX_free(context); }
};

Sha256::Sha256() : m_state(std::make_unique<State>())
{
    if (!m_state->context || EVP_DigestInit_ex(m_state->context, EVP_sha256(), nullptr) != 1)
        throw Error(QStringLiteral("The SHA-256 hash could not be started (libcrypto)."));
}

void Sha256::addData(const char *data, qsizetype size)
{
    if (EVP_DigestUpdate(m_state->context, data, size_t(size)) != 1)
        throw Error(QStringLiteral("The SHA-256 hash could not be computed (libcrypto)."));
}

QByteArray Sha256::hexResult()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(m_state->context, digest, &length) != 1)
        throw Error(QStringLiteral("The SHA-256 hash could not be computed (libcrypto)."));
    return QByteArray(reinterpret_cast<const char *>(digest), int(length)).toHex();
}

#else

struct Sha256::State {
    QCryptographicHash hash{QCryptographicHash::Sha256};
};

Sha256::Sha256() : m_state(std::make_unique<State>()) {}

void Sha256::addData(const char *data, qsizetype size)
{
    m_state->hash.addData(QByteArrayView(data, size));
}

QByteArray Sha256::hexResult()
{
    return m_state->hash.result().toHex();
}

#endif

Sha256::~Sha256() = default;
