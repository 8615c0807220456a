// The partial file of a download: what lies in its place is never written through, waited on
// or renamed into place, and only a complete file reaches its target

#include "downloads/downloadfilename.h"
#include "downloads/partfile.h"

#include "filehelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

using FileHelpers::contents;
using FileHelpers::entries;
using FileHelpers::writeFile;

} // namespace

class PartFileTest : public QObject {
    Q_OBJECT

private slots:
    void init();

    void partFileThatIsNotOursIsLeftAlone_data();
    void partFileThatIsNotOursIsLeftAlone();
    void replacedPartFileIsNotPlaced_data();
    void replacedPartFileIsNotPlaced();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_target;
};

void PartFileTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_target = QDir(m_dir->path()).filePath(u"a.wav"_s);
}

void PartFileTest::partFileThatIsNotOursIsLeftAlone_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a link to a file") << u"link"_s << u"无法创建文件：那里是一个符号链接"_s;
    QTest::newRow("a link to nothing")
        << u"dangling link"_s << u"无法创建文件：那里是一个符号链接"_s;
    QTest::newRow("a pipe") << u"pipe"_s << u"无法创建文件：那里不是普通文件"_s;
}

// Something planted in the save folder under the partial file's name is neither written
// through, nor waited on, nor taken away
void PartFileTest::partFileThatIsNotOursIsLeftAlone()
{
    QFETCH(const QString, kind);
    QFETCH(const QString, reason);
    const QTemporaryDir elsewhere;
    const QString victim = QDir(elsewhere.path()).filePath(u"victim"_s);
    writeFile(victim, "victim");
    const QString part = partFilePath(m_target);
    if (kind == u"pipe")
        QCOMPARE(::mkfifo(QFile::encodeName(part).constData(), 0600), 0);
    else
        QVERIFY(QFile::link(kind == u"link" ? victim : victim + u"2"_s, part));

    PartFile file(m_target);
    QVERIFY(!file.open());
    QCOMPARE(file.reason(), reason);
    QCOMPARE(PartFile::keptSize(m_target), 0);

    QCOMPARE(contents(victim), QByteArray("victim"));
    QCOMPARE(entries(elsewhere.path()), QStringList {u"victim"_s});
    const QFileInfo left(part);
    QVERIFY(left.isSymLink() || (kind == u"pipe" && !left.isFile() && left.exists()));
    QVERIFY(!QFileInfo::exists(m_target));
}

void PartFileTest::replacedPartFileIsNotPlaced_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("another file") << u"file"_s;
    QTest::newRow("a link") << u"link"_s;
}

// A file swapped in under the partial file's name while it was written never reaches the target,
// and is not taken away
void PartFileTest::replacedPartFileIsNotPlaced()
{
    QFETCH(const QString, kind);
    const QString partPath = partFilePath(m_target);
    const QString other = QDir(m_dir->path()).filePath(u"other"_s);
    writeFile(other, "planted");
    PartFile part(m_target);
    QVERIFY(part.open());
    QVERIFY(part.append("ours"));
    QVERIFY(QFile::remove(partPath));
    if (kind == u"file")
        QVERIFY(QFile::rename(other, partPath));
    else
        QVERIFY(QFile::link(other, partPath));

    QVERIFY(!part.place());
    QCOMPARE(part.reason(), u"保存文件失败：临时文件已被换掉"_s);
    part.close(true);
    QVERIFY(!QFileInfo::exists(m_target));
    QCOMPARE(contents(partPath), QByteArray("planted"));
}

QTEST_GUILESS_MAIN(PartFileTest)
#include "test_partfile.moc"
