#include "web/page_values.h"

#include <gtest/gtest.h>

namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

struct PageValueCase {
    const char* name;
    QByteArray page;
    QByteArray key;
    QByteArray expected;
};

void PrintTo(const PageValueCase& c, std::ostream* os) {
    *os << c.name;
}

class PageValue : public ::testing::TestWithParam<PageValueCase> {};

TEST_P(PageValue, CutsTheFirstAssignment) {
    EXPECT_EQ(Web::PageValue(GetParam().page, GetParam().key), GetParam().expected) << GetParam().name;
}

const QByteArray kPage = "<HTML>\r\nvar x;\r\nhost_name=\"NAS1\";\r\nmy_ip=\"10.0.0.9\";\r\nip=\"10.0.0.2\";\r\n"
                         "empty=\"\";\r\nmulti=\"a\";b\";\r\nquoted=\"say \"hi\"\";\r\nlast=\"open";

INSTANTIATE_TEST_SUITE_P(
    Pages, PageValue,
    ::testing::Values(PageValueCase{"plain", kPage, "host_name=\"", "NAS1"},
                      PageValueCase{"empty value", kPage, "empty=\"", ""},
                      PageValueCase{"empty value with nothing between", "ip=\"\";\r\n", "ip=\"", ""},
                      // Names are not delimited: my_ip stands earlier and ends in ip.
                      PageValueCase{"key ends an earlier name", kPage, "ip=\"", "10.0.0.9"},
                      PageValueCase{"terminator needs CR LF", kPage, "multi=\"", "a\";b"},
                      PageValueCase{"quotes inside", kPage, "quoted=\"", "say \"hi\""},
                      PageValueCase{"no terminator after the key", kPage, "last=\"", ""},
                      PageValueCase{"terminator only before the key", "a=\"1\";\r\nb=\"2", "b=\"", ""},
                      PageValueCase{"bare LF is no terminator", "a=\"1\";\nb=\"2\";\r\n", "a=\"", "1\";\nb=\"2"},
                      PageValueCase{"missing key", kPage, "nothing=\"", ""},
                      PageValueCase{"UTF-8 bytes kept", "n=\"caf\xc3\xa9\";\r\n", "n=\"", "caf\xc3\xa9"}));

struct EncodeCase {
    QByteArray value;
    const char* urlEncoded;
    const char* escaped;
};

class ValueEncoding : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(ValueEncoding, ByteForByte) {
    EXPECT_EQ(Web::UrlEncodeValue(QByteArrayView(GetParam().value)), s(GetParam().urlEncoded));
    EXPECT_EQ(Web::EscapeQueryValue(QByteArrayView(GetParam().value)), s(GetParam().escaped));
}

INSTANTIATE_TEST_SUITE_P(Bytes, ValueEncoding,
                         ::testing::Values(EncodeCase{"", "", ""}, EncodeCase{"Az09", "Az09", "Az09"},
                                           EncodeCase{"my folder", "my+folder", "my%20folder"},
                                           EncodeCase{"a-b_c=d", "a%2db%5fc%3dd", "a-b_c%3Dd"},
                                           EncodeCase{"192.168.0.1", "192%2e168%2e0%2e1", "192.168.0.1"},
                                           EncodeCase{"12:30~", "12%3a30%7e", "12:30~"},
                                           EncodeCase{"x&type=reboot", "x%26type%3dreboot", "x%26type%3Dreboot"},
                                           EncodeCase{"a+b%c", "a%2bb%25c", "a%2Bb%25c"},
                                           EncodeCase{"/home/ftp?#", "%2fhome%2fftp%3f%23", "%2Fhome%2Fftp%3F%23"},
                                           EncodeCase{"x\r\nHost: y", "x%0d%0aHost%3a+y", "x%0D%0AHost:%20y"},
                                           EncodeCase{QByteArray("\0\x7f\xe9\xff", 4), "%00%7f%e9%ff",
                                                      "%00%7F%E9%FF"}));

TEST(ValueEncoding, TextIsSentAsUtf8) {
    EXPECT_EQ(Web::UrlEncodeValue(s("caf\xc3\xa9")), s("caf%c3%a9"));
    EXPECT_EQ(Web::EscapeQueryValue(s("caf\xc3\xa9")), s("caf%C3%A9"));
}

struct CgiCase {
    quint16 port;
    const char* cgi;
    const char* expected;
};

class CgiRequest : public ::testing::TestWithParam<CgiCase> {};

TEST_P(CgiRequest, CarriesThePortOnlyWhenNot80) {
    EXPECT_EQ(Web::CgiRequest(s("127.0.0.2"), GetParam().port, s(GetParam().cgi), s("status.htm"), s("dhcps_apply"),
                              s("&R_dhcps=1")),
              s(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Ports, CgiRequest,
    ::testing::Values(
        CgiCase{80, "dhcps.cgi",
                "http://127.0.0.2/dhcps.cgi?redirect=status.htm&failure=fail.htm&type=dhcps_apply&R_dhcps=1"},
        CgiCase{8080, "/dhcps.cgi",
                "http://127.0.0.2:8080/dhcps.cgi?redirect=status.htm&failure=fail.htm&type=dhcps_apply&R_dhcps=1"}));

} // namespace
