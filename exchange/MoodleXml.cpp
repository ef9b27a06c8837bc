#include "exchange/MoodleXml.h"

#include <QBuffer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

#include "course/Chapter.h"
#include "course/InputReader.h"
#include "course/Question.h"
#include "platform/Text.h"

namespace quillet
{
namespace
{
std::string ToUtf8(const QString& text)
{
    return text.toStdString();
}

void AppendText(std::string& out, QStringView text)
{
    const QByteArray utf8 = text.toUtf8();
    out.append(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

// A text of a question as Moodle writes it: in a <text> child or, in older
// files, in the element itself, in the format the element names.
struct XmlText
{
    bool seen = false; // only the first element of a name is read
    QString format;
    std::string own;  // the element's own characters (CDATA included)
    std::string text; // those of its first <text> child
    bool hasText = false;

    void Start(const QXmlStreamAttributes& attributes)
    {
        seen = true;
        format = attributes.value(QLatin1String("format")).toString();
    }
    // Plain, by its format; a text that names none, as Moodle reads it, is
    // in the format of the question's text.
    std::string Plain(const QString& questionFormat = {}) const
    {
        const std::string& raw = hasText ? text : own;
        const QString& used = format.isEmpty() ? questionFormat : format;
        return used == QLatin1String("html") || used == QLatin1String("moodle_auto_format") ? HtmlToText(raw)
                                                                                            : OneLine(raw);
    }
};

// Read before the question's format may be known: made plain at its end.
struct XmlAnswer
{
    double fraction = 0;
    XmlText text;
    XmlText feedback;
    bool Right() const { return fraction >= 100; }
};

// What a <question> holds that a bank can use, gathered as it is read: the
// rest of it, nested however deep, is passed over without being kept.
struct XmlQuestion
{
    int line = 0;
    QString type;
    XmlText category;
    XmlText questionText;
    XmlText generalFeedback;
    XmlText single;
    // The first six answers, and the first right and first wrong one
    // wherever they are: all that a question of any count is judged by.
    std::vector<XmlAnswer> answers;
    int answerCount = 0;
    int rightCount = 0;
};

// Follows the XML reader's tokens within one <question>, without recursion:
// the elements it reads are at most four deep (answer, feedback, text), and
// of any deeper or other element only the depth is counted.
class QuestionParser
{
  public:
    explicit QuestionParser(const QXmlStreamReader& xml)
    {
        m_question.line = static_cast<int>(xml.lineNumber());
        m_question.type = xml.attributes().value(QLatin1String("type")).toString();
        m_open.push_back({Part::Question, nullptr});
    }

    // True when the question's end element has been read.
    bool Read(const QXmlStreamReader& xml)
    {
        switch (xml.tokenType())
        {
        case QXmlStreamReader::StartElement:
            Start(xml.name(), xml.attributes());
            break;
        case QXmlStreamReader::Characters:
            if (m_skipped == 0 && m_open.back().part != Part::Question)
                AppendText(m_open.back().part == Part::Text ? m_open.back().field->text
                                                            : m_open.back().field->own,
                           xml.text());
            break;
        case QXmlStreamReader::EndElement:
            if (m_skipped > 0)
                --m_skipped;
            else
                End();
            break;
        default:
            break;
        }
        return m_open.empty();
    }

    XmlQuestion Take() { return std::move(m_question); }

  private:
    enum class Part
    {
        Question,
        Field, // a child of the question, or an answer's feedback
        Answer,
        Text, // the <text> of either
    };
    struct Open
    {
        Part part;
        XmlText* field;
    };

    void Start(QStringView name, const QXmlStreamAttributes& attributes)
    {
        const Open parent = m_open.back();
        XmlText* field = nullptr;
        if (m_skipped == 0 && parent.part == Part::Question)
        {
            if (name == QLatin1String("answer"))
            {
                bool number = false;
                const double fraction = attributes.value(QLatin1String("fraction")).toDouble(&number);
                m_fraction = number ? fraction : 0;
                m_answer = XmlText{};
                m_answer.Start(attributes);
                m_feedback = XmlText{};
                m_open.push_back({Part::Answer, &m_answer});
                return;
            }
            field = name == QLatin1String("questiontext")      ? &m_question.questionText
                    : name == QLatin1String("generalfeedback") ? &m_question.generalFeedback
                    : name == QLatin1String("category")        ? &m_question.category
                    : name == QLatin1String("single")          ? &m_question.single
                                                               : nullptr;
        }
        else if (m_skipped == 0 && parent.part != Part::Text)
        {
            if (name == QLatin1String("text") && !parent.field->hasText)
            {
                parent.field->hasText = true;
                m_open.push_back({Part::Text, parent.field});
                return;
            }
            if (parent.part == Part::Answer && name == QLatin1String("feedback"))
                field = &m_feedback;
        }
        if (!field || field->seen)
        {
            ++m_skipped;
            return;
        }
        field->Start(attributes);
        m_open.push_back({Part::Field, field});
    }

    void End()
    {
        const Part part = m_open.back().part;
        m_open.pop_back();
        if (part != Part::Answer)
            return;
        const bool right = m_fraction >= 100;
        std::vector<XmlAnswer>& answers = m_question.answers;
        ++m_question.answerCount;
        m_question.rightCount += right ? 1 : 0;
        const bool firstOfItsKind = std::none_of(answers.begin(), answers.end(),
                                                 [&](const XmlAnswer& a) { return a.Right() == right; });
        if (answers.size() < static_cast<std::size_t>(CQuestion::kMaxAnswers) || firstOfItsKind)
            answers.push_back({m_fraction, std::move(m_answer), std::move(m_feedback)});
    }

    XmlQuestion m_question;
    std::vector<Open> m_open;
    int m_skipped = 0; // the depth within an element that is passed over
    double m_fraction = 0;
    XmlText m_answer;
    XmlText m_feedback;
};

class XmlReader
{
  public:
    XmlReader(Import& import, CourseBuilder& builder) : m_import(import), m_builder(builder) {}

    void Read(XmlQuestion question)
    {
        if (question.type == QLatin1String("category"))
        {
            m_builder.StartChapter(CategoryName(question.category.Plain()), question.line);
            return;
        }
        if (std::string reason = Question(question); !reason.empty())
            m_import.Skip(question.line, std::move(reason));
    }

  private:
    std::string Question(XmlQuestion& question)
    {
        const QString& type = question.type;
        const int line = question.line;
        if (type != QLatin1String("multichoice") && type != QLatin1String("truefalse"))
            return (type.isEmpty() ? std::string("a question of no type") : ToUtf8(type) + " question");
        std::string text = question.questionText.Plain();
        if (text.empty())
            return "no question text";
        const QString& format = question.questionText.format;
        std::string hint = question.generalFeedback.Plain(format);
        std::vector<XmlAnswer>& answers = question.answers;
        if (type == QLatin1String("truefalse"))
            return Statement(question, std::move(text), std::move(hint));
        const int right = question.rightCount;
        const QString singleText = question.single.seen
                                       ? QString::fromStdString(question.single.own).trimmed()
                                       : QStringLiteral("true");
        if (singleText == QLatin1String("false") || singleText == QLatin1String("0"))
            return "several right answers (a multiple-answer question)";
        if (right == 0)
            return "no answer with fraction 100";
        if (right > 1)
            return "several right answers (more than one with fraction 100)";
        if (question.answerCount < 2)
            return "fewer than two answers";
        if (question.answerCount > CQuestion::kMaxAnswers)
            return "more than six answers";
        std::vector<ChoiceAnswer> choices;
        choices.reserve(answers.size());
        for (XmlAnswer& answer : answers)
            choices.push_back({answer.text.Plain(format), answer.feedback.Plain(format), answer.Right()});
        if (std::any_of(choices.begin(), choices.end(), [](const ChoiceAnswer& a) { return a.text.empty(); }))
            return "an answer is empty";
        for (std::size_t i = 0; i < answers.size(); ++i)
            if (answers[i].fraction > 0 && answers[i].fraction < 100)
                m_import.Warn(line, "the partial credit of \"" + choices[i].text +
                                        "\" is dropped; it counts as wrong");
        m_builder.Add(MakeChoiceQuestion(std::move(text), std::move(choices), std::move(hint)), line);
        return {};
    }

    // As Moodle reads a statement: answers "true" and "false" by their
    // text; failing that, as in old files, the first is true and any other
    // false. The truth is where the one answer of fraction 100 stands.
    std::string Statement(XmlQuestion& question, std::string text, std::string hint)
    {
        const int line = question.line;
        const QString& format = question.questionText.format;
        if (question.rightCount != 1)
            return question.rightCount == 0 ? "a true/false question with no answer of fraction 100"
                                            : "a true/false question with both answers of fraction 100";
        std::vector<XmlAnswer>& answers = question.answers;
        std::string texts[2];
        bool byOrder = false;
        bool truth = true;
        std::string wrong;
        std::string right;
        for (std::size_t i = 0; i < answers.size(); ++i)
        {
            std::string said = answers[i].text.Plain(format);
            bool isTrue = said == "true";
            if (!isTrue && said != "false")
            {
                byOrder = true;
                isTrue = i == 0;
            }
            if (i < 2)
                texts[i] = std::move(said);
            std::string feedback = answers[i].feedback.Plain(format);
            if (answers[i].Right())
            {
                truth = isTrue;
                right = std::move(feedback);
            }
            else if (wrong.empty())
                wrong = std::move(feedback);
        }
        if (byOrder)
            m_import.Warn(
                line, "the answers are not \"true\" and \"false\": \"" + texts[0] + "\" is taken as true" +
                          (answers.size() > 1 ? " and \"" + texts[1] + "\" as false" : std::string()) +
                          ", as Moodle does");
        std::string note = StatementNote(std::move(wrong), std::move(right), line, m_import);
        m_builder.Add(MakeStatement(std::move(text), truth, std::move(note), std::move(hint)), line);
        return {};
    }

    Import& m_import;
    CourseBuilder& m_builder;
};

// How deep elements may be nested, <quiz> being the first.
constexpr int kDeepest = 1000;

// The input handed to the XML reader as it asks for it, turned into UTF-8
// a piece at a time, so that a large file is never held twice.
class InputDevice : public QIODevice
{
  public:
    explicit InputDevice(std::string_view bytes) : m_input(bytes)
    {
        QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

  protected:
    qint64 readData(char* data, qint64 size) override
    {
        if (m_at == m_piece.size())
        {
            m_at = 0;
            if (!m_input.NextPiece(m_piece, 64 * 1024))
                m_piece.clear();
        }
        const std::size_t count = std::min(static_cast<std::size_t>(size), m_piece.size() - m_at);
        std::memcpy(data, m_piece.data() + m_at, count);
        m_at += count;
        return static_cast<qint64>(count);
    }
    qint64 writeData(const char* /*data*/, qint64 /*size*/) override { return -1; }

  private:
    InputReader m_input;
    std::string m_piece;
    std::size_t m_at = 0;
};

// The encoding the XML declaration names, or none.
QString DeclaredEncoding(std::string_view bytes)
{
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    if (!bytes.starts_with("<?xml"))
        return {};
    const std::string_view declaration = bytes.substr(0, bytes.find("?>"));
    const std::size_t key = declaration.find("encoding");
    if (key == std::string_view::npos)
        return {};
    std::string_view rest = TrimWhitespace(declaration.substr(key + 8));
    if (!rest.starts_with('='))
        return {};
    rest = TrimWhitespace(rest.substr(1));
    if (rest.empty() || (rest[0] != '"' && rest[0] != '\''))
        return {};
    const std::size_t close = rest.find(rest[0], 1);
    return close == std::string_view::npos
               ? QString()
               : QString::fromLatin1(rest.data() + 1, static_cast<qsizetype>(close - 1));
}

// Whether the name is one of UTF-8's, as the XML reader matches names.
bool IsUtf8(QString name)
{
    name.remove(QLatin1Char('-')).remove(QLatin1Char('_'));
    return name.compare(QLatin1String("utf8"), Qt::CaseInsensitive) == 0;
}

// XML 1.0 has no place for most control characters.
QString XmlText(const std::string& text)
{
    QString out = QString::fromStdString(OneLine(text));
    for (QChar& c : out)
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    return out;
}

void WriteText(QXmlStreamWriter& xml, const char* element, const std::string& text)
{
    xml.writeStartElement(QLatin1String(element));
    xml.writeAttribute(QStringLiteral("format"), QStringLiteral("plain_text"));
    xml.writeTextElement(QStringLiteral("text"), XmlText(text));
    xml.writeEndElement();
}

void WriteAnswer(QXmlStreamWriter& xml, bool right, const std::string& text, const std::string* note)
{
    xml.writeStartElement(QStringLiteral("answer"));
    xml.writeAttribute(QStringLiteral("fraction"), right ? QStringLiteral("100") : QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("format"), QStringLiteral("plain_text"));
    xml.writeTextElement(QStringLiteral("text"), XmlText(text));
    if (note && !note->empty())
        WriteText(xml, "feedback", *note);
    xml.writeEndElement();
}
}

Import ImportMoodleXml(std::string_view bytes, const std::string& title)
{
    Import import;
    CourseBuilder builder(title, import);
    XmlReader reader(import, builder);
    // A file that names no other encoding is UTF-8; bytes that are not are
    // read as Windows-1252, as everywhere else. One that does is decoded by
    // the XML reader, straight from the bytes.
    const QString encoding = DeclaredEncoding(bytes);
    std::unique_ptr<QIODevice> device;
    if (encoding.isEmpty() || IsUtf8(encoding))
        device = std::make_unique<InputDevice>(bytes);
    else
    {
        auto buffer = std::make_unique<QBuffer>();
        buffer->setData(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
        buffer->open(QIODevice::ReadOnly);
        device = std::move(buffer);
    }
    QXmlStreamReader xml(device.get());
    bool quiz = false;
    int depth = 0;
    int childLine = 0; // where the element within <quiz> being read starts
    std::optional<QuestionParser> question;
    while (!xml.atEnd())
    {
        const QXmlStreamReader::TokenType token = xml.readNext();
        // The XML reader keeps every open element: past a depth that no
        // question file comes near, reading on would only fill memory.
        if (token == QXmlStreamReader::StartElement && ++depth > kDeepest)
        {
            import.Skip(childLine, "elements nested more than " + std::to_string(kDeepest) +
                                       " deep at line " + std::to_string(xml.lineNumber()) +
                                       "; the file is read no further");
            break;
        }
        if (token == QXmlStreamReader::EndElement)
            --depth;
        if (question)
        {
            if (question->Read(xml))
            {
                reader.Read(question->Take());
                question.reset();
            }
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (!quiz)
        {
            if (xml.name() != QLatin1String("quiz"))
            {
                import.error = "this is not a Moodle XML question file (it starts with <" +
                               ToUtf8(xml.name().toString()) + ">)";
                break;
            }
            quiz = true;
            continue;
        }
        if (depth == 2)
        {
            childLine = static_cast<int>(xml.lineNumber());
            if (xml.name() == QLatin1String("question"))
                question.emplace(xml);
        }
    }
    if (xml.hasError())
        import.error = "line " + std::to_string(xml.lineNumber()) + ": " + ToUtf8(xml.errorString());
    else if (!quiz && import.error.empty())
        import.error = "this is not a Moodle XML question file (no <quiz> element)";
    import.course = builder.Finish();
    return import;
}

std::string ExportMoodleXml(const CCourse& course, std::vector<std::string>& dropped)
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeComment(QStringLiteral(" ") + XmlText(course.GetName()) + QStringLiteral(" "));
    xml.writeStartElement(QStringLiteral("quiz"));
    int topics = 0;
    for (int c = 0; c < course.GetCount(); ++c)
    {
        const CChapter& chapter = *course.GetAt(c);
        xml.writeStartElement(QStringLiteral("question"));
        xml.writeAttribute(QStringLiteral("type"), QStringLiteral("category"));
        xml.writeStartElement(QStringLiteral("category"));
        // The path keeps its blanks: they keep slashes apart (CategoryPath).
        xml.writeTextElement(QStringLiteral("text"),
                             QString::fromStdString("$course$/top/" + CategoryPath(chapter.GetName())));
        xml.writeEndElement();
        xml.writeEndElement();
        for (int q = 0; q < chapter.GetCount(); ++q)
        {
            if (!Exportable(chapter, q, dropped, topics))
                continue;
            const CQuestion& question = *chapter.GetAt(q);
            const bool statement = question.IsTrueFalse();
            xml.writeStartElement(QStringLiteral("question"));
            xml.writeAttribute(QStringLiteral("type"),
                               statement ? QStringLiteral("truefalse") : QStringLiteral("multichoice"));
            xml.writeStartElement(QStringLiteral("name"));
            xml.writeTextElement(QStringLiteral("text"), XmlText(question.GetText()).left(40));
            xml.writeEndElement();
            WriteText(xml, "questiontext", question.GetText());
            if (!question.GetHint().empty())
                WriteText(xml, "generalfeedback", question.GetHint());
            if (statement)
            {
                const bool truth = question.GetTrue();
                // The note is what a wrong answer is told.
                WriteAnswer(xml, truth, "true", truth ? nullptr : question.GetNote(1));
                WriteAnswer(xml, !truth, "false", truth ? question.GetNote(1) : nullptr);
            }
            else
            {
                xml.writeTextElement(QStringLiteral("single"), QStringLiteral("true"));
                xml.writeTextElement(QStringLiteral("shuffleanswers"), QStringLiteral("true"));
                for (int i = 0; i < question.GetAnswerCount(); ++i)
                    WriteAnswer(xml, i == question.GetCorrect(), *question.GetAnswerText(i),
                                question.GetNote(i));
            }
            xml.writeEndElement();
        }
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    if (topics > 0)
        dropped.push_back(std::to_string(topics) + " topics (Moodle XML has no place for them)");
    return bytes.toStdString();
}
}
