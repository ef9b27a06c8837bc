#include "tools/bank/MoodleXml.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <algorithm>
#include <memory>

#include "course/Chapter.h"
#include "course/Question.h"

namespace quillet
{
namespace
{
// An element as read: its attributes, its text (CDATA included) and its
// children. Question elements are small; the file is read one at a time.
struct Node
{
    QString name;
    QXmlStreamAttributes attributes;
    QString text;
    std::vector<Node> children;

    const Node* Child(const QString& child) const
    {
        const auto found = std::find_if(children.begin(), children.end(),
                                        [&](const Node& node) { return node.name == child; });
        return found == children.end() ? nullptr : &*found;
    }
    QString Attribute(const char* key) const { return attributes.value(QLatin1String(key)).toString(); }
};

// Reads the element whose start the reader stands on, up to its end.
Node ReadElement(QXmlStreamReader& xml)
{
    Node node{xml.name().toString(), xml.attributes(), {}, {}};
    while (!xml.atEnd())
    {
        switch (xml.readNext())
        {
        case QXmlStreamReader::StartElement:
            node.children.push_back(ReadElement(xml));
            break;
        case QXmlStreamReader::Characters:
            node.text += xml.text();
            break;
        case QXmlStreamReader::EndElement:
            return node;
        default:
            break;
        }
    }
    return node;
}

std::string ToUtf8(const QString& text)
{
    return text.toStdString();
}

// The text of <tag><text>…</text></tag>, plain, by the tag's format.
std::string TextOf(const Node* node)
{
    if (!node)
        return {};
    const Node* text = node->Child(QStringLiteral("text"));
    const std::string raw = ToUtf8(text ? text->text : node->text);
    const QString format = node->Attribute("format");
    return format == QLatin1String("html") || format == QLatin1String("moodle_auto_format") ? HtmlToText(raw)
                                                                                            : OneLine(raw);
}

struct XmlAnswer
{
    double fraction = 0;
    std::string text;
    std::string feedback;
};

class XmlReader
{
  public:
    XmlReader(Import& import, CourseBuilder& builder) : m_import(import), m_builder(builder) {}

    void Read(const Node& question, int line)
    {
        const QString type = question.Attribute("type");
        if (type == QLatin1String("category"))
        {
            m_builder.StartChapter(CategoryName(TextOf(question.Child(QStringLiteral("category")))));
            return;
        }
        if (std::string reason = Question(question, type, line); !reason.empty())
            m_import.Skip(line, std::move(reason));
    }

  private:
    std::string Question(const Node& question, const QString& type, int line)
    {
        if (type != QLatin1String("multichoice") && type != QLatin1String("truefalse"))
            return (type.isEmpty() ? std::string("a question of no type") : ToUtf8(type) + " question");
        const std::string text = TextOf(question.Child(QStringLiteral("questiontext")));
        if (text.empty())
            return "no question text";
        std::string hint = TextOf(question.Child(QStringLiteral("generalfeedback")));
        std::vector<XmlAnswer> answers;
        for (const Node& child : question.children)
        {
            if (child.name != QLatin1String("answer"))
                continue;
            bool number = false;
            const double fraction = child.Attribute("fraction").toDouble(&number);
            answers.push_back(
                {number ? fraction : 0, TextOf(&child), TextOf(child.Child(QStringLiteral("feedback")))});
        }
        const auto right = std::count_if(answers.begin(), answers.end(),
                                         [](const XmlAnswer& a) { return a.fraction >= 100; });
        if (type == QLatin1String("truefalse"))
        {
            const auto truth = std::find_if(answers.begin(), answers.end(),
                                            [](const XmlAnswer& a) { return a.fraction >= 100; });
            if (right != 1 || (truth->text != "true" && truth->text != "false"))
                return "a true/false question whose right answer is not true or false";
            // The note is the feedback for a wrong answer.
            const auto wrong = std::find_if(answers.begin(), answers.end(),
                                            [](const XmlAnswer& a) { return a.fraction < 100; });
            m_builder.Add(MakeStatement(text, truth->text == "true",
                                        wrong == answers.end() ? std::string() : wrong->feedback,
                                        std::move(hint)),
                          line);
            return {};
        }
        const Node* single = question.Child(QStringLiteral("single"));
        const QString singleText = single ? single->text.trimmed() : QStringLiteral("true");
        if (singleText == QLatin1String("false") || singleText == QLatin1String("0"))
            return "several right answers (a multiple-answer question)";
        if (right == 0)
            return "no answer with fraction 100";
        if (right > 1)
            return "several right answers (more than one with fraction 100)";
        if (answers.size() < 2)
            return "fewer than two answers";
        if (answers.size() > static_cast<std::size_t>(CQuestion::kMaxAnswers))
            return "more than six answers";
        if (std::any_of(answers.begin(), answers.end(), [](const XmlAnswer& a) { return a.text.empty(); }))
            return "an answer is empty";
        for (const XmlAnswer& answer : answers)
            if (answer.fraction > 0 && answer.fraction < 100)
                m_import.Warn(line,
                              "the partial credit of \"" + answer.text + "\" is dropped; it counts as wrong");
        std::vector<ChoiceAnswer> choices;
        choices.reserve(answers.size());
        for (XmlAnswer& answer : answers)
            choices.push_back({std::move(answer.text), std::move(answer.feedback), answer.fraction >= 100});
        m_builder.Add(MakeChoiceQuestion(text, std::move(choices), std::move(hint)), line);
        return {};
    }

    Import& m_import;
    CourseBuilder& m_builder;
};

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
    // read as Windows-1252, as everywhere else.
    const std::string_view head = bytes.substr(0, std::min<std::size_t>(bytes.size(), 200));
    const bool declared = head.find("encoding=") != std::string_view::npos &&
                          head.find("encoding=\"UTF-8\"") == std::string_view::npos &&
                          head.find("encoding=\"utf-8\"") == std::string_view::npos;
    const std::string text = declared ? std::string(bytes) : InputText(bytes);
    QXmlStreamReader xml(QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())));
    bool quiz = false;
    while (!xml.atEnd())
    {
        if (xml.readNext() != QXmlStreamReader::StartElement)
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
        const int line = static_cast<int>(xml.lineNumber());
        const Node question = ReadElement(xml);
        if (xml.hasError())
            break;
        if (question.name == QLatin1String("question"))
            reader.Read(question, line);
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
