#pragma once
// SHA-256 of a stream of bytes, in pieces. OpenSSL's libcrypto where the
// build found it: it uses the processor's SHA instructions and hashes about
// ten times as fast as QCryptographicHash, which is the fallback.

#include <QByteArray>

#include <memory>

class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256 &) = delete;
    Sha256 &operator=(const Sha256 &) = delete;

    void addData(const char *data, qsizetype size);
    void addData(const QByteArray &bytes) { addData(bytes.constData(), bytes.size()); }
    // The hash of everything added, in lower-case hex; ends the stream.
    QByteArray hexResult();

private:
    struct State;
    std::unique_ptr<State> m_state;
};
