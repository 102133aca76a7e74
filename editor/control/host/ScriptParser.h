#pragma once
// The line language of the script host: one call a line.
//   Name arg...        call a method by name
//   #N arg...          call by DISPID
//   get Name           read a property
//   set Name value     write a property
//   mouse down|move|up X
//   after MS line      run `line` MS milliseconds later, from the event loop
// Arguments: integers, decimals, true, false, or "strings" with \" and \\.

#include <QString>
#include <QVariantList>

#include <memory>
#include <optional>

namespace sonarch2 {

struct ScriptCommand {
    enum class Kind { CallByName, CallById, Get, Set, Mouse, After };
    enum class MouseAction { Down, Move, Up };

    Kind kind = Kind::CallByName;
    QString name;                 // member name (CallByName, Get, Set)
    int32_t dispid = 0;           // CallById
    QVariantList args;            // call arguments, or the value of Set
    MouseAction mouse = MouseAction::Down;
    int x = 0;
    int delayMs = 0;                       // After
    std::shared_ptr<ScriptCommand> inner;  // After: the line to run later
};

struct ParsedLine {
    std::optional<ScriptCommand> command;  // empty for blank and comment lines
    QString error;                         // non-empty when the line cannot be parsed
};

ParsedLine ParseScriptLine(const QString& line);

// Splits the arguments of a line; false with an error text when malformed.
bool ParseArguments(const QString& text, QVariantList* args, QString* error);

// The value as the host prints it: integers in decimal, floats with %.9g,
// true/false, strings in double quotes, "void" for no value.
QString FormatValue(const QVariant& value);

}  // namespace sonarch2
