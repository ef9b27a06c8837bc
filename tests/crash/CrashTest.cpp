// The whole program killed at random moments while students log in, take the test and grade it
// (quillet_crash_driver): the record file is always a whole roster that only grows by what was
// stored, and the next start is never locked out by the killed copy.
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <fstream>

#include "course/Complement.h"
#include "platform/Files.h"
#include "records/StudentRoster.h"

namespace
{
struct Counts
{
    int students = 0, results = 0;
};

Counts CountOf(const CStudentRoster& roster)
{
    Counts n{roster.GetStudentCount(), 0};
    for (int s = 0; s < n.students; ++s)
        n.results += roster.GetResultCount(s);
    return n;
}

// What is wrong with the decoded record text and its roster, or "" when the
// roster writes back exactly that text, continues `before` and holds students
// and results within [low, high]. A cut line, or a missing 'p', 'd', 's', 'r'
// or 'a' line, does not write back the same; a cut at a line's end loses a
// student or a result; a mix of versions does not continue the older one.
QString Judge(const CStudentRoster* roster, const std::string& text, const std::string& before, Counts low,
              Counts high)
{
    if (!roster || roster->ComposeRecordText() != text)
        return roster ? "does not write back as it reads" : "holds no roster";
    if (text.compare(0, before.size(), before) != 0)
        return "does not continue the previous file";
    const Counts n = CountOf(*roster);
    if (n.students < low.students || n.students > high.students || n.results < low.results ||
        n.results > high.results)
        return QString::asprintf("%d students, %d results; expected %d-%d, %d-%d", n.students, n.results,
                                 low.students, high.students, low.results, high.results);
    return {};
}
}

// The stand-in player, which Quillet needs to start; it names itself in
// the ini once it listens, and is stopped as the test ends.
class StandInPlayer
{
  public:
    ~StandInPlayer()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    bool Start(const QProcessEnvironment& env, const QString& ini)
    {
        m_process.setProcessEnvironment(env);
        m_process.start(QUILLET_PLAYER, {"--title", "Tovrin Test Player"});
        for (int i = 0; i < 300 && m_process.state() != QProcess::NotRunning; ++i)
        {
            QFile file(ini);
            if (file.open(QIODevice::ReadOnly) && file.readAll().contains("CURRENT_TITLE=Tovrin Test Player"))
                return true;
            QThread::msleep(100);
        }
        return false;
    }

  private:
    QProcess m_process;
};

class CrashTest : public QObject
{
    Q_OBJECT

  private slots:
    void killedAnywhereLeavesWholeRecordsAndAFreeStart()
    {
        QTemporaryDir home;
        const QString runtime = home.filePath("runtime"), records = home.filePath("records");
        QVERIFY(home.isValid() && QDir().mkpath(runtime) && QDir().mkpath(records) &&
                QDir().mkpath(home.filePath("config")));
        QVERIFY(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        // Six questions in two chapters: every test draws all of them.
        std::string bank = "!Crash Course\n";
        for (int q = 0; q < 6; ++q)
            bank += (q % 3 ? "" : "@Ch" + std::to_string(q / 3 + 1) + "\n") + "#Q" + std::to_string(q) +
                    "\n^a\n^b\n^c\n";
        const QString bankPath = home.filePath("crash.blh");
        std::ofstream(bankPath.toStdString(), std::ios::binary) << quillet::Complemented(bank);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& to :
             QString("HOME=home XDG_CACHE_HOME=cache XDG_CONFIG_HOME=config XDG_DATA_HOME=data "
                     "XDG_RUNTIME_DIR=runtime QUILLET_RECORD_DIR=records")
                 .split(' '))
            env.insert(to.section('=', 0, 0), home.filePath(to.section('=', 1)));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        StandInPlayer player;
        QVERIFY2(player.Start(env, home.filePath("config/tovrin.ini")), "the stand-in player did not start");
        const std::string path = (records + "/" + kRecordFileName).toStdString();

        const quint32 seed = qEnvironmentVariableIsSet("QUILLET_CRASH_SEED")
                                 ? qEnvironmentVariable("QUILLET_CRASH_SEED").toUInt()
                                 : QRandomGenerator::system()->generate();
        qInfo("seed %u (set QUILLET_CRASH_SEED to repeat)", seed);
        QRandomGenerator random(seed);
        std::string before; // the decoded record text after the last round
        Counts was;
        QMap<QString, int> phases;
        int stored = 0, ranMs = 0, round = 0;
        const auto allHit = [&]
        { return phases.contains("login") && phases.contains("test") && phases.contains("grade"); };
        for (; round < 30 || (round < 120 && !allHit()); ++round)
        {
            const int delay = int(random.bounded(50, 701));
            QProcess driver, probe;
            driver.setProcessEnvironment(env);
            probe.setProcessEnvironment(env);
            driver.start(QUILLET_CRASH_DRIVER, {bankPath});
            // The delay runs from the first line, once the program is starting.
            QVERIFY2(driver.waitForStarted(30000) && driver.waitForReadyRead(30000),
                     "the driver printed nothing");
            QThread::msleep(ulong(delay));
            driver.kill(); // a driver that ended by itself shows a normal exit
            QVERIFY(driver.waitForFinished(30000) && driver.exitStatus() == QProcess::CrashExit);
            ranMs += delay;

            const QStringList lines = QString(driver.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
            QVERIFY2(lines.filter("E ").isEmpty(),
                     qPrintable(QString("round %1: ").arg(round) + lines.join(", ")));
            const QString phase = lines.filter("P ").value(lines.filter("P ").size() - 1).mid(2);
            const Counts low{was.students + int(lines.count("C u")), was.results + int(lines.count("C r"))};
            ++phases[phase];
            stored += low.students - was.students + low.results - was.results;
            // The write under way when the kill came may or may not have landed.
            const Counts high{low.students + (lines.last() == "P login"),
                              low.results + (lines.last() == "P grade")};
            qInfo("round %d: killed after %d ms in %s; %d students, %d results stored", round, delay,
                  qPrintable(phase), low.students, low.results);

            std::string text;
            if (!quillet::ReadWholeFile(path, text))
                QVERIFY2(low.students == 0, "the record file is gone"); // none was surely stored yet
            else
            {
                quillet::ComplementInPlace(text);
                const auto roster = CStudentRoster::ReadFile(path);
                const QString wrong = Judge(roster.get(), text, before, low, high);
                QVERIFY2(wrong.isEmpty(),
                         qPrintable(QString("round %1: record file %2").arg(round).arg(wrong)));
                before = text;
                was = CountOf(*roster);
            }

            // The killed copy's lock does not refuse the next start.
            probe.start(QUILLET_CRASH_DRIVER, {bankPath, "--probe"});
            QVERIFY(probe.waitForFinished(60000));
            const QString reached = QString(probe.readAllStandardOutput()).trimmed();
            const QFileInfo lock(runtime + "/Wrenfield-Training-Application-Quillet.lock");
            QVERIFY2(
                reached == "window" && probe.exitCode() == 0,
                qPrintable(QString::asprintf("round %d: the next start reached %s; lock file of %d bytes",
                                             round, qPrintable(reached), int(lock.size()))));
        }
        qInfo().nospace() << round << " rounds, " << ranMs << " ms under way, " << stored << " writes ("
                          << stored * 1000 / ranMs << " a second); kills in " << phases;
        QVERIFY2(allHit(), "kills never fell into one of login, test and grade");

        // The judge refuses every cut of the last file, at a line's end too.
        QVERIFY(before.size() > 200);
        for (std::size_t cut = 0; cut < before.size();
             cut += cut < before.size() - 200 ? 1u + random.bounded(97u) : 1u)
        {
            const std::string part = before.substr(0, cut);
            QVERIFY2(!Judge(CStudentRoster::ParseRecordText(part).get(), part, {}, was, was).isEmpty(),
                     qPrintable(QString("a cut at %1 of %2 bytes passes").arg(cut).arg(before.size())));
        }
    }

    void killedMidTestComesBackAtTheNextStart()
    {
        QTemporaryDir home;
        QVERIFY(home.isValid() && QDir().mkpath(home.filePath("runtime")) &&
                QDir().mkpath(home.filePath("config")));
        QVERIFY(QFile::setPermissions(home.filePath("runtime"),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        std::string bank = "!Crash Course\n@Ch1\n";
        for (int q = 0; q < 8; ++q)
            bank += "#Q" + std::to_string(q) + "\n^right\n^wrong\n^also wrong\n";
        const QString bankPath = home.filePath("crash.blh");
        std::ofstream(bankPath.toStdString(), std::ios::binary) << quillet::Complemented(bank);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& to : QString("HOME=home XDG_CONFIG_HOME=config XDG_DATA_HOME=data "
                                         "XDG_RUNTIME_DIR=runtime QUILLET_RECORD_DIR=records")
                                     .split(' '))
            env.insert(to.section('=', 0, 0), home.filePath(to.section('=', 1)));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        StandInPlayer player;
        QVERIFY2(player.Start(env, home.filePath("config/tovrin.ini")), "the stand-in player did not start");

        // Ann answers three questions; then the program is killed.
        QProcess first;
        first.setProcessEnvironment(env);
        first.start(QUILLET_CRASH_DRIVER, {bankPath, "--answer", "3"});
        QByteArray said;
        while (!said.contains("P answered ") || !said.endsWith('\n'))
        {
            QVERIFY2(first.waitForReadyRead(30000), said.constData());
            said += first.readAllStandardOutput();
        }
        first.kill();
        QVERIFY(first.waitForFinished(30000));
        const QString answers = QString(said).section("P answered ", 1).trimmed();
        QCOMPARE(answers.count('-'), 5);

        // The next start puts her test back, answers and all; grading records it.
        QProcess second;
        second.setProcessEnvironment(env);
        second.start(QUILLET_CRASH_DRIVER, {bankPath, "--resume"});
        QVERIFY(second.waitForFinished(60000));
        const QStringList lines = QString(second.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QVERIFY2(lines.filter("E ").isEmpty(), qPrintable(lines.join(", ")));
        QVERIFY2(lines.contains("C resumed 3 " + answers), qPrintable(lines.join(", ")));
        const QString graded = lines.filter("C graded ").value(0).section(' ', 2);
        QVERIFY2(!graded.isEmpty(), qPrintable(lines.join(", ")));
        const auto roster = CStudentRoster::ReadFile(home.filePath("records/quillet2.blh").toStdString());
        QVERIFY(roster);
        QCOMPARE(roster->GetResultCount(roster->FindStudent("ann")), 1);
        QCOMPARE(roster->GetResult(roster->FindStudent("ann"), 0)->m_nRight, graded.toInt());
        QVERIFY(QDir(home.filePath("records")).entryList({"unfinished-*"}, QDir::Files).isEmpty());
    }
};

QTEST_GUILESS_MAIN(CrashTest)
#include "CrashTest.moc"
