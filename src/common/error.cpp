#include "common/error.h"

#include <array>
#include <utility>

namespace zorvan {

namespace {
struct Entry {
  std::int32_t number;
  std::string_view text;
};

constexpr std::array kDescriptions{
    Entry{5, "Invalid procedure call or argument"},
    Entry{6, "Overflow"},
    Entry{7, "Out of memory"},
    Entry{9, "Subscript out of range"},
    Entry{10, "This array is fixed or temporarily locked"},
    Entry{11, "Division by zero"},
    Entry{13, "Type mismatch"},
    Entry{14, "Out of string space"},
    Entry{17, "Can't perform requested operation"},
    Entry{28, "Out of stack space"},
    Entry{35, "Sub or Function not defined"},
    Entry{48, "Error in loading DLL"},
    Entry{51, "Internal error"},
    Entry{52, "Bad file name or number"},
    Entry{53, "File not found"},
    Entry{54, "Bad file mode"},
    Entry{55, "File already open"},
    Entry{57, "Device I/O error"},
    Entry{58, "File already exists"},
    Entry{61, "Disk full"},
    Entry{62, "Input past end of file"},
    Entry{67, "Too many files"},
    Entry{68, "Device unavailable"},
    Entry{70, "Permission denied"},
    Entry{71, "Disk not ready"},
    Entry{74, "Can't rename with different drive"},
    Entry{75, "Path/File access error"},
    Entry{76, "Path not found"},
    Entry{91, "Object variable not set"},
    Entry{92, "For loop not initialized"},
    Entry{94, "Invalid use of Null"},
    Entry{322, "Can't create necessary temporary file"},
    Entry{424, "Object required"},
    Entry{429, "ActiveX component can't create object"},
    Entry{430, "Class doesn't support Automation"},
    Entry{432, "File name or class name not found during Automation operation"},
    Entry{438, "Object doesn't support this property or method"},
    Entry{440, "Automation error"},
    Entry{445, "Object doesn't support this action"},
    Entry{446, "Object doesn't support named arguments"},
    Entry{447, "Object doesn't support current locale setting"},
    Entry{448, "Named argument not found"},
    Entry{449, "Argument not optional"},
    Entry{450, "Wrong number of arguments or invalid property assignment"},
    Entry{451, "Object not a collection"},
    Entry{453, "Specified DLL function not found"},
    Entry{455, "Code resource lock error"},
    Entry{457, "This key is already associated with an element of this collection"},
    Entry{458, "Variable uses an Automation type not supported in VBScript"},
    Entry{462, "The remote server machine does not exist or is unavailable"},
    Entry{481, "Invalid picture"},
    Entry{500, "Variable is undefined"},
    Entry{501, "Illegal assignment"},
    Entry{502, "Object not safe for scripting"},
    Entry{503, "Object not safe for initializing"},
    Entry{504, "Object not safe for creating"},
    Entry{505, "Invalid or unqualified reference"},
    Entry{506, "Class not defined"},
    Entry{507, "An exception occurred"},
    Entry{5008, "Illegal assignment"},
    Entry{5016, "Regular Expression object expected"},
    Entry{5017, "Syntax error in regular expression"},
    Entry{5018, "Unexpected quantifier"},
    Entry{5019, "Expected ']' in regular expression"},
    Entry{5020, "Expected ')' in regular expression"},
    Entry{5021, "Invalid range in character set"},
    Entry{1001, "Out of memory"},
    Entry{1002, "Syntax error"},
    Entry{1003, "Expected ':'"},
    Entry{1005, "Expected '('"},
    Entry{1006, "Expected ')'"},
    Entry{1007, "Expected ']'"},
    Entry{1010, "Expected identifier"},
    Entry{1011, "Expected '='"},
    Entry{1012, "Expected 'If'"},
    Entry{1013, "Expected 'To'"},
    Entry{1014, "Expected 'End'"},
    Entry{1015, "Expected 'Function'"},
    Entry{1016, "Expected 'Sub'"},
    Entry{1017, "Expected 'Then'"},
    Entry{1018, "Expected 'Wend'"},
    Entry{1019, "Expected 'Loop'"},
    Entry{1020, "Expected 'Next'"},
    Entry{1021, "Expected 'Case'"},
    Entry{1022, "Expected 'Select'"},
    Entry{1023, "Expected expression"},
    Entry{1024, "Expected statement"},
    Entry{1025, "Expected end of statement"},
    Entry{1026, "Expected integer constant"},
    Entry{1027, "Expected 'While' or 'Until'"},
    Entry{1028, "Expected 'While', 'Until' or end of statement"},
    Entry{1029, "Expected 'With'"},
    Entry{1030, "Identifier too long"},
    Entry{1031, "Invalid number"},
    Entry{1032, "Invalid character"},
    Entry{1033, "Unterminated string constant"},
    Entry{1034, "Unterminated comment"},
    Entry{1037, "Invalid use of 'Me' keyword"},
    Entry{1038, "'loop' without 'do'"},
    Entry{1039, "Invalid 'exit' statement"},
    Entry{1040, "Invalid 'for' loop control variable"},
    Entry{1041, "Name redefined"},
    Entry{1042, "Must be first statement on the line"},
    Entry{1043, "Cannot assign to non-ByVal argument"},
    Entry{1044, "Cannot use parentheses when calling a Sub"},
    Entry{1045, "Expected literal constant"},
    Entry{1046, "Expected 'In'"},
    Entry{1047, "Expected 'Class'"},
    Entry{1048, "Must be defined inside a Class"},
    Entry{1050, "Expected 'Property'"},
    Entry{1055, "Unexpected 'Next'"},
    Entry{err::TimedOut, "Script timed out"},
    Entry{err::Interrupted, "Script interrupted"},
};
}  // namespace

std::string_view describeError(std::int32_t number) {
  for (const auto& e : kDescriptions)
    if (e.number == number) return e.text;
  return {};
}

void raise(std::int32_t number) { throw errorOf(number); }

void raise(std::int32_t number, std::string_view name) {
  std::string text(describeError(number));
  text += ": '";
  text += name;
  text += '\'';
  throw ScriptError{number, std::move(text)};
}

void raiseText(std::int32_t number, std::string description) {
  throw ScriptError{number, std::move(description)};
}

std::string errorText(const ScriptError& e) {
  return "Error " + std::to_string(e.number) + " : " + e.description;
}

}  // namespace zorvan
