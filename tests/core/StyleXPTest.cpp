#include "core/StyleXP.h"

#include "FileHelpers.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace orvane;
using namespace orvane::test;

namespace {

// The manifest as the loader must see it, blanks included.
QByteArray expectedManifest(const QByteArray& name, const QByteArray& description)
{
    const QByteArrayList lines{
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?> )",
        R"(<assembly )",
        R"(   xmlns="urn:schemas-microsoft-com:asm.v1" )",
        R"(   manifestVersion="1.0">)",
        R"(<assemblyIdentity )",
        R"(    processorArchitecture="x86" )",
        R"(    version="1.6.0.0")",
        R"(    type="win32")",
        R"(    name=")" + name + R"("/>)",
        R"(    <description>)" + description + R"(</description>)",
        R"(    <dependency>)",
        R"(    <dependentAssembly>)",
        R"(    <assemblyIdentity)",
        R"(         type="win32")",
        R"(         name="Microsoft.Windows.Common-Controls")",
        R"(         version="6.0.0.0")",
        R"(         publicKeyToken="6595b64144ccf1df")",
        R"(         language="*")",
        R"(         processorArchitecture="x86"/>)",
        R"(    </dependentAssembly>)",
        R"(    </dependency>)",
        R"(</assembly>)",
    };
    return lines.join("\r\n") + "\r\n";
}

} // namespace

class StyleXPTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void manifestText_data();
    void manifestText();
    void writesAndRestartsOnlyWhenItMust_data();
    void writesAndRestartsOnlyWhenItMust();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    StyleXPProgram m_program;
    QList<QStringList> m_starts;
    bool m_startSucceeds = true;
    int m_ends = 0;
};

void StyleXPTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_starts.clear();
    m_ends = 0;
    m_program = {m_dir->path() + QLatin1Char('/'),
                 QStringLiteral("Quorvel"),
                 QStringLiteral("1.6.0"),
                 QStringLiteral("Orvane"),
                 {QStringLiteral("-a"), QStringLiteral("b c")},
                 [this](const QString& path, const QStringList& arguments) {
                     m_starts << (QStringList{path} + arguments);
                     return m_startSucceeds;
                 },
                 [this] { ++m_ends; }};
}

void StyleXPTest::manifestText_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("plain") << "Quorvel"
                           << "Orvane" << expectedManifest("Quorvel.exe", "Orvane");
    QTest::newRow("markup in the description")
        << "Quorvel"
        << "Mail & <more>" << expectedManifest("Quorvel.exe", "Mail &amp; &lt;more&gt;");
    QTest::newRow("placeholder words in the values")
        << "EXEVERSION"
        << "EXENAME EXEDESCRIBTION" << expectedManifest("EXEVERSION.exe", "EXENAME EXEDESCRIBTION");
    QTest::newRow("non-ASCII written as declared")
        << QString::fromUtf8("Quörvel") << QString::fromUtf8("für E-Mail")
        << expectedManifest("Qu\xC3\xB6rvel.exe", "f\xC3\xBCr E-Mail");
}

void StyleXPTest::manifestText()
{
    QFETCH(QString, name);
    QFETCH(QString, description);
    QFETCH(QByteArray, expected);
    m_program.name = name;
    m_program.description = description;
    QCOMPARE(StyleXPManifest(m_program), expected);
    QCOMPARE(StyleXPManifestPath(m_program), m_program.folder + name + ".exe.manifest");
}

void StyleXPTest::writesAndRestartsOnlyWhenItMust_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no manifest
    QTest::addColumn<bool>("restartIfNew");
    QTest::addColumn<bool>("overwrite");
    QTest::addColumn<QString>("folder"); // "readonly", "taken" (by a folder) or ""
    QTest::addColumn<bool>("startSucceeds");
    QTest::addColumn<bool>("replaced");
    QTest::addColumn<bool>("written");
    QTest::addColumn<bool>("restarted");
    const QByteArray none;
    const QByteArray old("old");
    QTest::newRow("first start") << none << true << false << "" << true << false << true << true;
    QTest::newRow("second start") << old << true << false << "" << true << false << false << false;
    QTest::newRow("restart clears overwrite")
        << old << true << true << "" << true << false << false << false;
    QTest::newRow("overwrite") << old << false << true << "" << true << true << true << false;
    QTest::newRow("neither flag") << old << false << false << "" << true << false << false << false;
    QTest::newRow("new, no restart")
        << none << false << false << "" << true << false << true << false;
    QTest::newRow("read-only folder")
        << none << true << false << "readonly" << true << false << false << false;
    QTest::newRow("folder in the way")
        << none << true << false << "taken" << true << false << false << false;
    QTest::newRow("failed restart carries on")
        << none << true << false << "" << false << false << true << true;
}

void StyleXPTest::writesAndRestartsOnlyWhenItMust()
{
    QFETCH(QByteArray, before);
    QFETCH(bool, restartIfNew);
    QFETCH(bool, overwrite);
    QFETCH(QString, folder);
    QFETCH(bool, startSucceeds);
    QFETCH(bool, replaced);
    QFETCH(bool, written);
    QFETCH(bool, restarted);
    if (folder == QLatin1String("readonly") && runsAsRoot())
        QSKIP("root writes into read-only folders");
    const QString path = StyleXPManifestPath(m_program);
    if (!before.isNull())
        QVERIFY(saveFile(path, before));
    if (folder == QLatin1String("taken"))
        QVERIFY(QDir().mkdir(path));
    const QByteArray dir = QFile::encodeName(m_dir->path());
    if (folder == QLatin1String("readonly"))
        QVERIFY(::chmod(dir.constData(), 0555) == 0);
    m_startSucceeds = startSucceeds;

    QCOMPARE(InitStyleXP(restartIfNew, overwrite, m_program), replaced);
    ::chmod(dir.constData(), 0755);
    QVERIFY(!restartIfNew || !overwrite);
    QCOMPARE(readFile(path), written ? StyleXPManifest(m_program) : before);
    const QStringList again{m_program.folder + "Quorvel.exe", "-a", "b c"};
    QCOMPARE(m_starts, restarted ? QList<QStringList>{again} : QList<QStringList>{});
    QCOMPARE(m_ends, restarted && startSucceeds ? 1 : 0);
}

QTEST_GUILESS_MAIN(StyleXPTest)
#include "StyleXPTest.moc"
