// quillet-bank: converts, lists, draws from and checks question banks.
#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "course/Complement.h"
#include "course/CourseReader.h"
#include "course/TestRun.h"
#include "exchange/AikenFormat.h"
#include "exchange/Exchange.h"
#include "exchange/GiftFormat.h"
#include "exchange/MoodleXml.h"
#include "platform/Files.h"
#include "platform/ProgramOptions.h"
#include "tools/bank/BankCheck.h"
#include "tools/bank/BankJson.h"
#include "tools/bank/BankTextFit.h"

namespace
{
constexpr const char* kUsage =
    "usage: quillet-bank encode TEXT BANK       store a plain-text bank as a bank file\n"
    "       quillet-bank decode BANK TEXT       turn a bank file back into plain text\n"
    "       quillet-bank dump BANK [--text]     list the loaded course (JSON, or readable text)\n"
    "       quillet-bank draw BANK --seed N (--test | --pretest | --quiz CHAPTER) [--text]\n"
    "                                           show the selection that seed N draws\n"
    "       quillet-bank check BANK             report every line the loader passes over, and\n"
    "                                           what the window cannot show or draw well\n"
    "       quillet-bank check --from gift|aiken|moodle-xml INPUT\n"
    "                                           the same for another tool's question file, at\n"
    "                                           its lines, with what import skips or drops\n"
    "       quillet-bank import --from gift|aiken|moodle-xml INPUT OUT [--title TEXT]\n"
    "                                           turn another tool's question file into a bank\n"
    "       quillet-bank export --to gift|moodle-xml BANK OUT\n"
    "                                           write a bank in another tool's format\n"
    "       quillet-bank --help | --version\n"
    "OUT ending in .txt is written as bank text, any other name as a stored bank; a BANK\n"
    "ending in .txt is read as bank text.\n";

int Usage()
{
    std::fputs(kUsage, stderr);
    return 2;
}

void PrintLine(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    if (text.empty() || text.back() != '\n')
        std::fputc('\n', stdout);
}

int Convert(const std::string& in, const std::string& out)
{
    std::string bytes;
    if (const quillet::FileStatus read = quillet::ReadRegularFile(in, bytes); !read)
    {
        std::fprintf(stderr, "quillet-bank: cannot read %s: %s\n", in.c_str(), read.reason.c_str());
        return 1;
    }
    quillet::ComplementInPlace(bytes);
    // Written beside and renamed: a full disk never leaves half a bank.
    if (const quillet::FileStatus written = quillet::ReplaceFile(out, bytes); !written)
    {
        std::fprintf(stderr, "quillet-bank: cannot write %s: %s\n", out.c_str(), written.reason.c_str());
        return 1;
    }
    return 0;
}

std::unique_ptr<CCourse> LoadOrComplain(const std::string& path)
{
    quillet::BankFile bank = quillet::ReadBankFile(path);
    if (!bank.course)
        std::fprintf(stderr, "quillet-bank: %s\n", bank.problem.c_str());
    return std::move(bank.course);
}

int Dump(const std::vector<std::string>& args)
{
    if (args.empty() || args.size() > 2 || (args.size() == 2 && args[1] != "--text"))
        return Usage();
    const auto course = LoadOrComplain(args[0]);
    if (!course)
        return 1;
    PrintLine(args.size() == 2 ? quillet::CourseToText(*course) : quillet::CourseToJson(*course));
    return 0;
}

std::optional<unsigned long> ParseNumber(const std::string& text, unsigned long max)
{
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const unsigned long value = std::stoul(text);
    if (value > max)
        return std::nullopt;
    return value;
}

int Draw(const std::vector<std::string>& args)
{
    if (args.empty())
        return Usage();
    std::optional<unsigned long> seed;
    std::optional<TestKind> kind;
    std::string chapterText;
    bool text = false;
    for (std::size_t i = 1; i < args.size(); ++i)
    {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--seed" && hasValue && !seed)
        {
            seed = ParseNumber(args[++i], 0xFFFFFFFFul);
            if (!seed)
                return Usage();
        }
        else if ((arg == "--test" || arg == "--pretest") && !kind)
            kind = arg == "--test" ? TestKind::Test : TestKind::PreTest;
        else if (arg == "--quiz" && hasValue && !kind)
        {
            kind = TestKind::Quiz;
            chapterText = args[++i];
        }
        else if (arg == "--text" && !text)
            text = true;
        else
            return Usage();
    }
    if (!seed || !kind)
        return Usage();

    std::optional<unsigned long> chapter;
    if (*kind == TestKind::Quiz && !(chapter = ParseNumber(chapterText, 1000)))
        return Usage();

    const auto course = LoadOrComplain(args[0]);
    if (!course)
        return 1;
    CRandom random(static_cast<std::uint32_t>(*seed));
    if (*kind == TestKind::Quiz)
    {
        const CChapter* source = course->GetAt(static_cast<int>(*chapter) - 1);
        if (!source)
        {
            std::fprintf(stderr, "quillet-bank: there is no chapter %lu; the course has %d\n", *chapter,
                         course->GetCount());
            return 1;
        }
        const auto quiz = source->Draw(quillet::kQuizSize, random);
        const int number = static_cast<int>(*chapter);
        PrintLine(text ? quillet::QuizToText(*quiz, number) : quillet::QuizToJson(*quiz, number));
        return 0;
    }
    const auto test = course->DrawTest(quillet::kTestSize, *kind == TestKind::PreTest ? 1 : 0, random);
    PrintLine(text ? quillet::TestToText(*test, *kind) : quillet::TestToJson(*test, *kind));
    return 0;
}
}

bool EndsWith(const std::string& text, std::string_view end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The input's name without its folder and extension.
std::string FileTitle(const std::string& path)
{
    std::string name = path.substr(path.find_last_of('/') + 1);
    if (const std::size_t dot = name.find_last_of('.'); dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

// Writing OUT over the file it is made from would lose that file: refused
// for any name of it (another path, a link, a hard link), before anything
// is read or written.
bool RefuseSameFile(const std::string& in, const std::string& out)
{
    std::error_code error;
    if (!std::filesystem::equivalent(in, out, error))
        return false;
    std::fprintf(stderr, "quillet-bank: %s is the input file %s itself; give the output another name\n",
                 out.c_str(), in.c_str());
    return true;
}

bool WriteOutput(const std::string& path, const std::string& bytes)
{
    // Written beside and renamed: a full disk never leaves half a file.
    if (const quillet::FileStatus written = quillet::ReplaceFile(path, bytes); !written)
    {
        std::fprintf(stderr, "quillet-bank: cannot write %s: %s\n", path.c_str(), written.reason.c_str());
        return false;
    }
    return true;
}

bool IsImportFormat(const std::string& format)
{
    return format == "gift" || format == "aiken" || format == "moodle-xml";
}

quillet::Import ReadImport(const std::string& format, std::string_view bytes, const std::string& title)
{
    return format == "gift"    ? quillet::ImportGift(bytes, title)
           : format == "aiken" ? quillet::ImportAiken(bytes, title)
                               : quillet::ImportMoodleXml(bytes, title);
}

// A bank as quillet-bank reads one: its plain text when the name ends in
// ".txt", else the stored form; null when it holds no course.
std::unique_ptr<CCourse> LoadBank(const std::string& path)
{
    if (!EndsWith(path, ".txt"))
        return CCourseReader().Load(path);
    std::string text;
    return quillet::ReadRegularFile(path, text) ? CCourseReader::LoadText(text) : nullptr;
}

int Check(const std::vector<std::string>& args, int argc, char** argv)
{
    std::string format;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        if (args[i] == "--from" && i + 1 < args.size() && format.empty())
            format = args[++i];
        else
            files.push_back(args[i]);
    }
    if (files.size() != 1 || (!format.empty() && !IsImportFormat(format)))
        return Usage();
    // The window's fonts measure the texts; no window is ever shown, and
    // what Qt says of the display it does not need is no finding.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext&, const QString& message)
        {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                std::fprintf(stderr, "quillet-bank: %s\n", qPrintable(message));
        });
    const QGuiApplication fonts(argc, argv);
    const std::string& path = files[0];
    quillet::BankCheckResult result;
    if (format.empty())
        result = quillet::CheckBankFile(path, quillet::TextFitProblems);
    else if (std::string bytes; const quillet::FileStatus read = quillet::ReadRegularFile(path, bytes))
        result = quillet::CheckImport(ReadImport(format, bytes, FileTitle(path)), quillet::TextFitProblems);
    else
        result.unreadable = read.reason;
    if (!result.readable)
    {
        std::fprintf(stderr, "quillet-bank: cannot read %s%s%s\n", path.c_str(),
                     result.unreadable.empty() ? "" : ": ", result.unreadable.c_str());
        return 1;
    }
    for (const auto& finding : result.findings)
    {
        const std::string where = finding.line > 0 ? path + ":" + std::to_string(finding.line) : path;
        std::printf("%s: %s%s\n", where.c_str(), finding.warning ? "warning: " : "", finding.message.c_str());
    }
    if (!result.course)
        std::printf("%s: no course: the file has no title line\n", path.c_str());
    return result.Clean() ? 0 : 1;
}

int ImportFile(const std::vector<std::string>& args)
{
    std::string format;
    std::optional<std::string> title;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        if (args[i] == "--from" && i + 1 < args.size() && format.empty())
            format = args[++i];
        else if (args[i] == "--title" && i + 1 < args.size() && !title)
            title = args[++i];
        else
            files.push_back(args[i]);
    }
    if (files.size() != 2 || !IsImportFormat(format))
        return Usage();
    const std::string& input = files[0];
    if (RefuseSameFile(input, files[1]))
        return 2;
    std::string bytes;
    if (const quillet::FileStatus read = quillet::ReadRegularFile(input, bytes); !read)
    {
        std::fprintf(stderr, "quillet-bank: cannot read %s: %s\n", input.c_str(), read.reason.c_str());
        return 2;
    }
    // Imported again over its bank, a course keeps the title it has there.
    if (!title)
        if (const auto existing = LoadBank(files[1]))
            title = existing->GetName();
    const quillet::Import import = ReadImport(format, bytes, title ? *title : FileTitle(input));
    // The course holds what it needs: the input goes before the bank text
    // is made, so that the two are never held at once.
    std::string().swap(bytes);
    if (!import.error.empty())
    {
        std::fprintf(stderr, "quillet-bank: cannot read %s: %s\n", input.c_str(), import.error.c_str());
        return 2;
    }
    for (const quillet::ImportNote& note : import.notes)
        std::fprintf(stderr, "%s:%d: %s: %s\n", input.c_str(), note.line,
                     note.skipped ? "skipped" : "warning", note.text.c_str());
    const int chapters = import.course ? import.course->GetCount() : 0;
    std::fprintf(stderr, "%d question%s imported in %d chapter%s, %d skipped\n", import.imported,
                 import.imported == 1 ? "" : "s", chapters, chapters == 1 ? "" : "s", import.skipped);
    if (import.imported == 0)
        return 1;
    std::string text = quillet::CourseToBankText(*import.course);
    if (!EndsWith(files[1], ".txt"))
        quillet::ComplementInPlace(text);
    return WriteOutput(files[1], text) ? 0 : 1;
}

int ExportFile(const std::vector<std::string>& args)
{
    if (args.size() != 4 || args[0] != "--to" || (args[1] != "gift" && args[1] != "moodle-xml"))
        return Usage();
    const std::string& bank = args[2];
    if (RefuseSameFile(bank, args[3]))
        return 2;
    const std::unique_ptr<CCourse> course = LoadBank(bank);
    if (!course)
    {
        std::fprintf(stderr, "quillet-bank: %s holds no course\n", bank.c_str());
        return 1;
    }
    std::vector<std::string> dropped;
    std::string out = args[1] == "gift" ? quillet::ExportGift(*course, dropped)
                                        : quillet::ExportMoodleXml(*course, dropped);
    for (const std::string& what : dropped)
        std::fprintf(stderr, "quillet-bank: dropped: %s\n", what.c_str());
    return WriteOutput(args[3], out) ? 0 : 1;
}

int main(int argc, char** argv)
{
    if (const auto status = quillet::AnswerInfoOption("quillet-bank", kUsage, argc, argv))
        return *status;
    if (argc < 2)
        return Usage();
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "help")
    {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == "encode" || command == "decode")
        return args.size() == 2 ? Convert(args[0], args[1]) : Usage();
    if (command == "dump")
        return Dump(args);
    if (command == "draw")
        return Draw(args);
    if (command == "check")
        return Check(args, argc, argv);
    if (command == "import")
        return ImportFile(args);
    if (command == "export")
        return ExportFile(args);
    return Usage();
}
