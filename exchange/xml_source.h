#pragma once
// An XML part for QXmlStreamReader to read a block at a time. Given the bytes
// whole, the reader first decodes them whole into one string: a 40 MB Word
// body would cost 80 MB more before the first element.

#include <QBuffer>
#include <QByteArray>

class XmlSource
{
  public:
    explicit XmlSource(const QByteArray &xml) : bytes_(xml)
    {
        buffer_.setBuffer(&bytes_);
        buffer_.open(QIODevice::ReadOnly);
    }
    XmlSource(const XmlSource &) = delete;
    XmlSource &operator=(const XmlSource &) = delete;

    QIODevice *device() { return &buffer_; }

  private:
    QByteArray bytes_; // shares the caller's bytes: no copy
    QBuffer buffer_;
};
