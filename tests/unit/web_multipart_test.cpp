// The firmware form's multipart body, byte for byte, with a fixed clock.

#include "web/multipart.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

const QDateTime kCreated(QDate(2026, 12, 8), QTime(9, 5, 3, 7));
const QByteArray kBoundary = QByteArray(25, '-') + "20261208090503007";

QByteArray bodyOf(Web::THttpDataStream& body) {
    QByteArray all;
    char piece[7]; // small pieces, so reads that end inside a part are covered too
    qint64 got = 0;
    while ((got = body.read(piece, sizeof piece)) > 0)
        all.append(piece, got);
    EXPECT_EQ(got, 0) << "the body read to its end";
    return all;
}

std::unique_ptr<QBuffer> source(const QByteArray& bytes) {
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    return buffer;
}

TEST(MultipartBody, LaysOutEveryPartAsTheUnitsFormTakesIt) {
    const QByteArray b = kBoundary + "\r\n";
    const QByteArray fileHead = b +
                                "Content-Disposition: form-data; name=\"filename\"; filename=\"C:\\fw\\image.bin\"\r\n"
                                "Content-Type: application/octet-stream\r\n\r\n";
    const struct {
        const char* name;
        QList<std::pair<QByteArray, QByteArray>> fields;
        QByteArray file; // null: no file part
        QByteArray expected;
    } cases[] = {
        {"the firmware form",
         {{"redirect", "man_firm.htm"}},
         "\x01\x02\x03",
         b + "Content-Disposition: form-data; name=\"redirect\"\r\n\r\nman_firm.htm\r\n" + fileHead +
             "\x01\x02\x03\r\n--\r\n" + b},
        {"an empty value",
         {{"type", ""}},
         {},
         b + "Content-Disposition: form-data; name=\"type\"\r\n\r\n\r\n--\r\n" + b},
        {"an empty file", {}, "", fileHead + "\r\n--\r\n" + b},
        {"percent signs, quotes and line breaks go in unchanged",
         {{"a\"b", "100% \"x\"\r\ny"}},
         {},
         b + "Content-Disposition: form-data; name=\"a\"b\"\r\n\r\n100% \"x\"\r\ny\r\n--\r\n" + b},
    };
    for (const auto& c : cases) {
        Web::THttpDataStream body(kCreated);
        for (const auto& [name, value] : c.fields)
            body.AddFormField(name, value);
        if (!c.file.isNull())
            body.AddStream("filename", "C:\\fw\\image.bin", "application/octet-stream", source(c.file));
        body.FinishBody();
        EXPECT_EQ(body.size(), c.expected.size()) << c.name;
        EXPECT_EQ(bodyOf(body), c.expected) << c.name;
    }
}

TEST(MultipartBody, BoundaryAndContentTypeComeFromTheClock) {
    Web::THttpDataStream body(kCreated);
    EXPECT_EQ(body.Boundary(), kBoundary);
    EXPECT_EQ(body.Boundary().size(), 42);
    EXPECT_EQ(body.ContentType(), "multipart/form-data; boundary=" + kBoundary);
    EXPECT_EQ(Web::THttpDataStream(kCreated).Boundary(), body.Boundary()) << "the same millisecond, the same boundary";
    EXPECT_NE(Web::THttpDataStream(kCreated.addMSecs(1)).Boundary(), body.Boundary());
    const QByteArray now = Web::THttpDataStream().Boundary();
    EXPECT_EQ(now.size(), 42);
    EXPECT_TRUE(now.startsWith(QByteArray(25, '-')) && now.mid(25).toULongLong() > 0) << now.constData();
}

TEST(MultipartBody, AFileIsNamedByItsPathAsGivenAndReadWhileSent) {
    QTemporaryDir dir;
    const QString path = dir.filePath(s("fw 1.bin"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(100000, '\x01'));
    file.close();

    Web::THttpDataStream body(kCreated);
    EXPECT_FALSE(body.AddFile("filename", path, "application/octet-stream"));
    body.FinishBody();
    const QByteArray bytes = bodyOf(body);
    EXPECT_EQ(bytes.size(), body.size());
    EXPECT_TRUE(bytes.contains("; filename=\"" + QFile::encodeName(path) + "\"\r\n"));
    // The path is random and may hold any letter: the content is a byte no path holds.
    EXPECT_EQ(bytes.count('\x01'), 100000);
    EXPECT_TRUE(bytes.contains(QByteArray(100000, '\x01') + "\r\n--\r\n"));

    // A path that cannot be opened fails before anything is appended.
    Web::THttpDataStream missing(kCreated);
    EXPECT_TRUE(missing.AddFile("filename", dir.filePath(s("gone.bin")), "application/octet-stream"));
    EXPECT_EQ(missing.size(), 0);

    // A file cut short or grown after it was added no longer matches the length the head announced.
    for (const qint64 size : {qint64{10}, qint64{200000}}) {
        ASSERT_TRUE(file.resize(100000));
        Web::THttpDataStream changed(kCreated);
        ASSERT_FALSE(changed.AddFile("filename", path, "application/octet-stream"));
        changed.FinishBody();
        ASSERT_TRUE(file.resize(size));
        QByteArray piece(1 << 20, '\0');
        qint64 got = 0;
        while ((got = changed.read(piece.data(), piece.size())) > 0) {
        }
        EXPECT_EQ(got, -1) << size;
    }

    // A name cannot write lines into the body: a quote, CR and LF are escaped as browsers do.
    Web::THttpDataStream named(kCreated);
    named.AddStream("filename", "a\"b\r\nX-Injected: yes.bin", "application/octet-stream", source("x"));
    named.FinishBody();
    const QByteArray withName = bodyOf(named);
    EXPECT_TRUE(withName.contains("; filename=\"a%22b%0D%0AX-Injected: yes.bin\"\r\n")) << withName.constData();
    EXPECT_FALSE(withName.contains("\nX-Injected"));
}

TEST(MultipartPost, TheRequestHeadInItsOrder) {
    Web::THttpDataStream body(kCreated);
    body.AddFormField("type", "file_upload");
    body.FinishBody();
    const QByteArray common = "POST /man.cgi HTTP/1.0\r\nHost: 127.0.0.2\r\nAccept: text/html, */*\r\n"
                              "Referer: http://127.0.0.2/maintain.htm\r\n"
                              "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
                              "Content-Type: multipart/form-data; boundary=" +
                              kBoundary + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n";
    Web::PostFields fields{s("admin"), s("pw"), s("http://127.0.0.2/maintain.htm")};
    EXPECT_EQ(Web::MultipartPostHead(s("127.0.0.2"), s("/man.cgi"), body, fields),
              common + "Authorization: Basic YWRtaW46cHc=\r\n\r\n");
    fields.userName.clear();
    EXPECT_EQ(Web::MultipartPostHead(s("127.0.0.2"), s("/man.cgi"), body, fields), common + "\r\n")
        << "no Authorization line without a user name";
}

} // namespace
