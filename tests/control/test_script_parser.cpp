// The script host's line language: what parses, what is refused, and how
// results are printed.

#include "ScriptParser.h"

#include <QtTest>

using namespace sonarch2;
using Kind = ScriptCommand::Kind;

class TestScriptParser : public QObject {
    Q_OBJECT
private slots:
    void blankAndCommentLinesAreSkipped()
    {
        QVERIFY(!ParseScriptLine("").command);
        QVERIFY(!ParseScriptLine("   ").command);
        QVERIFY(!ParseScriptLine("# load the song").command);
        QVERIFY(ParseScriptLine("# load the song").error.isEmpty());
    }

    void callsByNameAndNumberWithEveryArgumentKind()
    {
        ParsedLine p = ParseScriptLine("Load \"/tmp/a \\\"b\\\" \\\\c.mp3\" 1");
        QVERIFY(p.error.isEmpty());
        QCOMPARE(p.command->kind, Kind::CallByName);
        QCOMPARE(p.command->name, QString("Load"));
        QCOMPARE(p.command->args.size(), 2);
        QCOMPARE(p.command->args[0].toString(), QString("/tmp/a \"b\" \\c.mp3"));
        QCOMPARE(p.command->args[1].metaType(), QMetaType::fromType<int>());

        p = ParseScriptLine("#61 0.25 -1.5e1");
        QCOMPARE(p.command->kind, Kind::CallById);
        QCOMPARE(p.command->dispid, 61);
        QCOMPARE(p.command->args[0].toDouble(), 0.25);
        QCOMPARE(p.command->args[1].toDouble(), -15.0);

        p = ParseScriptLine("#-552");
        QCOMPARE(p.command->dispid, -552);

        p = ParseScriptLine("FxNoiseRemoval true false");
        QCOMPARE(p.command->args[0].metaType(), QMetaType::fromType<bool>());
        QCOMPARE(p.command->args[1].toBool(), false);
    }

    void propertiesMouseAndAfter()
    {
        ParsedLine p = ParseScriptLine("get WaveLength");
        QCOMPARE(p.command->kind, Kind::Get);
        QCOMPARE(p.command->name, QString("WaveLength"));
        p = ParseScriptLine("set Zoom 2.0");
        QCOMPARE(p.command->kind, Kind::Set);
        QCOMPARE(p.command->args.value(0).toDouble(), 2.0);
        p = ParseScriptLine("mouse move 120");
        QCOMPARE(p.command->kind, Kind::Mouse);
        QCOMPARE(p.command->mouse, ScriptCommand::MouseAction::Move);
        QCOMPARE(p.command->x, 120);
        p = ParseScriptLine("after 500 Stop");
        QCOMPARE(p.command->kind, Kind::After);
        QCOMPARE(p.command->delayMs, 500);
        QCOMPARE(p.command->inner->name, QString("Stop"));
    }

    void malformedLinesAreRefused()
    {
        const QStringList bad{
            "Load \"unterminated", "Load \"bad \\n escape\"", "Load 12abc", "set Zoom", "set Zoom 1 2",
            "get", "get Zoom 3", "mouse press 10", "mouse down", "after x Stop", "after 100", "#12x", "9Name",
            "Load \"a\"b",
        };
        for (const QString& line : bad)
            QVERIFY2(!ParseScriptLine(line).error.isEmpty(), qPrintable(line));
    }

    void valuesPrintAsTheHostShowsThem()
    {
        QCOMPARE(FormatValue(QVariant()), QString("void"));
        QCOMPARE(FormatValue(42), QString("42"));
        QCOMPARE(FormatValue(-7), QString("-7"));
        QCOMPARE(FormatValue(0.1f), QString("0.100000001"));
        QCOMPARE(FormatValue(1000.0f), QString("1000"));
        QCOMPARE(FormatValue(true), QString("true"));
        QCOMPARE(FormatValue(QString("a\"b\\c")), QString("\"a\\\"b\\\\c\""));
    }
};

QTEST_GUILESS_MAIN(TestScriptParser)
#include "test_script_parser.moc"
