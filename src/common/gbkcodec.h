#pragma once

#include <QByteArrayView>
#include <QString>
#include <array>
#include <memory>
#include <optional>

// Code page 936 (GBK), which the catalogue's media paths use and Qt does not carry, through the
// C library's converter. One object per task: it keeps its conversion state between calls.
class GbkCodec {
public:
    // Each raises Failure when the C library has no GBK converter. A converter is opened on
    // first use, so that a codec that only encodes never opens the other one.

    // The GBK bytes of one UTF-16 code unit, valid until the next call; "?" for a unit that GBK
    // has no code for, a lone surrogate half included
    QByteArrayView encode(char16_t unit);
    // The text that GBK bytes stand for; nothing when they are not valid GBK
    std::optional<QString> decode(QByteArrayView bytes);

private:
    struct Closer {
        void operator()(void *converter) const;
    };
    // The C library's conversion descriptors, closed when the codec goes
    using Converter = std::unique_ptr<void, Closer>;

    static void open(Converter &converter, const char *to, const char *from);

    Converter m_encoder;
    Converter m_decoder;
    std::array<char, 8> m_encoded {};
};
