// Values that another tool wrote into the file: 8-bit text that is not UTF-8, text
// in a numeric column, empty texts and blobs. They read as readable text, and a row
// holding them can be changed and deleted without its untouched values changing.
#include "store/database.h"
#include "store/datatable.h"
#include "tests/fixtures/tempdatabase.h"
#include "tests/store/storetest.h"

#include <gtest/gtest.h>

namespace {

using State = DataTable::State;

// How a refusal begins when another program changed the row since it was read.
const QString RowChanged =
    QStringLiteral("IPSetT: \"B\u00fcro\" was changed by another program after it was read here");

class ForeignTextTest : public ::testing::Test {
protected:
    void SetUp() override { database.setConnectionString(file.path()); }

    // One IP set whose name holds exactly these bytes as text.
    void addSetNamed(const QByteArray& nameBytes) {
        ASSERT_TRUE(file.exec(QStringLiteral("INSERT INTO IPSets (IPSet_Name, DNS, Connection)"
                                             " VALUES (CAST(? AS TEXT), '10.0.0.53', 1)"),
                              {nameBytes}));
    }
    QString storedHex(const char* column) {
        return file
            .column(QStringLiteral("SELECT typeof(%1) || ':' || hex(%1) FROM IPSets ORDER BY rowid")
                        .arg(QString::fromLatin1(column)))
            .join(QLatin1Char(','));
    }
    static QString textHex(const QByteArray& bytes) {
        return QStringLiteral("text:") + QString::fromLatin1(bytes.toHex().toUpper());
    }

    TempDatabase file;
    Database database;
    DataTable ipsets{database, QStringLiteral("IPSetT"), QStringLiteral("IPSets")};
};

// --- reading --------------------------------------------------------------------------

struct DecodeCase {
    const char* name;
    QByteArray bytes;
    QString text;
};

void PrintTo(const DecodeCase& c, std::ostream* out) {
    *out << c.name;
}

class ForeignTextRead : public ForeignTextTest, public ::testing::WithParamInterface<DecodeCase> {};

TEST_P(ForeignTextRead, ReadsAsReadableTextAndIsFoundByIt) {
    addSetNamed(GetParam().bytes);
    ipsets.open();
    EXPECT_EQ(ipsets.fieldAsString(QStringLiteral("ipset_name")), GetParam().text);
    EXPECT_EQ(ipsets.textAt(0, ipsets.fieldIndex(QStringLiteral("IPSet_Name"))), GetParam().text);
    ipsets.insert(); // a second row, so that the locate has to move the cursor
    ipsets.cancel();
    EXPECT_TRUE(ipsets.locate(QStringLiteral("ipset_name"), GetParam().text));
    EXPECT_EQ(ipsets.currentIndex(), 0);
}

// Valid UTF-8 reads as UTF-8; anything else as Windows-1252, the Western 8-bit code
// page, whose five unassigned bytes keep their own code.
INSTANTIATE_TEST_SUITE_P(
    Bytes, ForeignTextRead,
    ::testing::Values(DecodeCase{"Ascii", QByteArray("Office"), QStringLiteral("Office")},
                      DecodeCase{"Utf8", QByteArray("B\xC3\xBCro"), QString::fromUtf8("B\xC3\xBCro")},
                      DecodeCase{"Latin1", QByteArray("B\xFCro"), QString::fromUtf8("B\xC3\xBCro")},
                      DecodeCase{"Windows1252Only", QByteArray("\x80 \x85 \x99 \x9F"),
                                 QString::fromUtf8("\xE2\x82\xAC \xE2\x80\xA6 \xE2\x84\xA2 \xC5\xB8")},
                      DecodeCase{"UnassignedBytes", QByteArray("\x81\x8D\x8F\x90\x9D"),
                                 QStringLiteral("\u0081\u008D\u008F\u0090\u009D")},
                      DecodeCase{"Utf8ThenLatin1", QByteArray("\xC3\xBC\xFC"),
                                 QString::fromUtf8("\xC3\x83\xC2\xBC\xC3\xBC")},
                      DecodeCase{"Utf8WithByteOrderMark", QByteArray("\xEF\xBB\xBFHome"),
                                 QStringLiteral("\uFEFFHome")},
                      DecodeCase{"Empty", QByteArray(""), QStringLiteral("")}),
    [](const auto& info) { return std::string(info.param.name); });

// --- writing a row that holds foreign text ---------------------------------------------

class ForeignTextRoundTrip : public ForeignTextTest, public ::testing::WithParamInterface<QByteArray> {};

TEST_P(ForeignTextRoundTrip, AnEditKeepsTheBytesOfAnUnchangedNameAndADeleteFindsTheRow) {
    addSetNamed(GetParam());
    ipsets.open();
    ipsets.edit();
    // The editor writes every field back, the unchanged name as the text it showed.
    ipsets.setFieldString(QStringLiteral("IPSET_NAME"), ipsets.fieldAsString(QStringLiteral("ipset_name")));
    ipsets.setFieldString(QStringLiteral("DNS"), QStringLiteral("10.0.0.54"));
    EXPECT_EQ(errorOf([&] { ipsets.post(); }), QStringLiteral("<no error>"));
    EXPECT_EQ(storedHex("IPSet_Name"), textHex(GetParam()));
    EXPECT_EQ(file.column(QStringLiteral("SELECT DNS FROM IPSets")), QStringList{"10.0.0.54"});

    EXPECT_EQ(errorOf([&] { ipsets.remove(); }), QStringLiteral("<no error>"));
    EXPECT_EQ(file.column(QStringLiteral("SELECT count(*) FROM IPSets")), QStringList{"0"});
}

INSTANTIATE_TEST_SUITE_P(Names, ForeignTextRoundTrip,
                         ::testing::Values(QByteArray("B\xFCro"), QByteArray("\x80\x81\xFF"),
                                           QByteArray("\xC3\xBC\xFC"), QByteArray("B\xC3\xBCro"),
                                           QByteArray("")));

TEST_F(ForeignTextTest, ATypedNameIsStoredAsUtf8) {
    addSetNamed(QByteArray("B\xFCro"));
    ipsets.open();
    ipsets.edit();
    ipsets.setFieldString(QStringLiteral("IPSet_Name"), QString::fromUtf8("B\xC3\xBCr\xC3\xB6"));
    ipsets.post();
    EXPECT_EQ(storedHex("IPSet_Name"), textHex(QByteArray("B\xC3\xBCr\xC3\xB6")));
    EXPECT_EQ(ipsets.fieldAsString(QStringLiteral("IPSet_Name")), QString::fromUtf8("B\xC3\xBCr\xC3\xB6"));
}

TEST_F(ForeignTextTest, ARowWhoseBytesAnotherProgramChangedIsRefusedThoughItReadsTheSame) {
    addSetNamed(QByteArray("B\xFCro"));
    ipsets.open();
    // The other program stores the same name as UTF-8: the text shown does not change,
    // the stored bytes do.
    ASSERT_TRUE(file.exec(QStringLiteral("UPDATE IPSets SET IPSet_Name = CAST(? AS TEXT)"),
                          {QByteArray("B\xC3\xBCro")}));
    ipsets.edit();
    ipsets.setFieldString(QStringLiteral("DNS"), QStringLiteral("10.0.0.54"));
    EXPECT_TRUE(errorOf([&] { ipsets.post(); }).startsWith(RowChanged));
    EXPECT_EQ(ipsets.state(), State::Editing);
    EXPECT_EQ(storedHex("IPSet_Name"), textHex(QByteArray("B\xC3\xBCro")));
    ipsets.cancel();
    EXPECT_EQ(storedHex("IPSet_Name"), textHex(QByteArray("B\xC3\xBCro")));
    ipsets.remove(); // read again after the refusal: the delete acts on the row as stored
    EXPECT_EQ(ipsets.recordCount(), 0);
}

TEST_F(ForeignTextTest, TextInANumberColumnEmptyTextAndBlobsKeepTheirKindWhenTheRowChanges) {
    ASSERT_TRUE(
        file.exec(QStringLiteral("INSERT INTO IPSets (IPSet_Name, IPAddress, SubnetMask, Gateway,"
                                 " DHCP, Connection) VALUES ('Lab', '', x'', x'00FC', 'ja', 'abc')")));
    ipsets.open();
    EXPECT_EQ(ipsets.fieldAsString(QStringLiteral("Connection")), QStringLiteral("abc"));
    ipsets.edit();
    ipsets.setFieldString(QStringLiteral("DNS"), QStringLiteral("10.0.0.54"));
    EXPECT_EQ(errorOf([&] { ipsets.post(); }), QStringLiteral("<no error>"));
    EXPECT_EQ(
        file.column(QStringLiteral("SELECT typeof(IPAddress) || typeof(SubnetMask) || hex(SubnetMask) || "
                                   "typeof(Gateway) || hex(Gateway) || DHCP || typeof(Connection) || "
                                   "Connection || DNS FROM IPSets")),
        QStringList{"textblobblob00FCjatextabc10.0.0.54"});
    EXPECT_EQ(errorOf([&] { ipsets.remove(); }), QStringLiteral("<no error>"));
    EXPECT_EQ(file.column(QStringLiteral("SELECT count(*) FROM IPSets")), QStringList{"0"});
}

} // namespace
