// Arrays: their declarations, elements, bounds, copies, memory limit and
// the functions that make or read them.
#include <gtest/gtest.h>

#include "eval/user_function.h"
#include "eval/vbscript_engine.h"
#include "support/script.h"

namespace zorvan {
namespace {

using testing::evalAt;
using testing::evalWith;
using testing::expr;

constexpr const char* kOutOfRange = "Error 9 : Subscript out of range";

TEST(FixedArrays, ElementsStartEmptyAndKeepWhatIsStored) {
  EXPECT_EQ(evalAt("Dim a(3)\r\nMyFunction = IsEmpty(a(0)) & IsEmpty(a(3)) & UBound(a) & LBound(a)"),
            "String TrueTrue30");
  EXPECT_EQ(evalAt("Dim a(2)\r\na(1) = x * 2\r\na(2) = \"t\"\r\nMyFunction = a(1) & a(2)", 4), "String 8t");
  EXPECT_EQ(evalAt("Dim a(0)\r\nMyFunction = UBound(a)"), "Long 0");
  EXPECT_EQ(evalAt("Dim m(2, 4)\r\nm(2, 4) = 7\r\nMyFunction = m(2, 4) + UBound(m, 1) * 10 + UBound(m, 2) * 100"),
            "Long 427");
  EXPECT_EQ(evalAt("Dim a(2)\r\nMyFunction = TypeName(a) & VarType(a) & IsArray(a) & IsArray(x)"),
            "String Variant()8204TrueFalse");
  // Only integer literals size a Dim.
  EXPECT_EQ(evalAt("Dim a(x)"), "Error 1026 : Expected integer constant");
  EXPECT_EQ(evalAt("Dim a(1.5)"), "Error 1026 : Expected integer constant");
}

TEST(FixedArrays, SubscriptsOutsideTheBoundsOrOfTheWrongCountFail) {
  EXPECT_EQ(evalAt("Dim a(2)\r\nMyFunction = a(3)"), kOutOfRange);
  EXPECT_EQ(evalAt("Dim a(2)\r\nMyFunction = a(-1)"), kOutOfRange);
  EXPECT_EQ(evalAt("Dim a(2)\r\na(3) = 1"), kOutOfRange);
  EXPECT_EQ(evalAt("Dim m(2, 2)\r\nMyFunction = m(1)"), kOutOfRange);
  EXPECT_EQ(evalAt("Dim a(2)\r\nMyFunction = a(1, 1)"), kOutOfRange);
  EXPECT_EQ(evalAt("Dim a(2)\r\nMyFunction = a()"), kOutOfRange);
  EXPECT_EQ(evalAt("Dim a(2)\r\nMyFunction = UBound(a, 2)"), kOutOfRange);
  EXPECT_EQ(evalAt("Dim a(2)\r\nMyFunction = LBound(a, 0)"), kOutOfRange);
  // Subscripts are rounded as CLng rounds, halves to even.
  EXPECT_EQ(evalAt("a = Array(10, 11, 12)\r\nMyFunction = a(0.5) & a(1.5) & a(2.4) & a(\"1\")"), "String 10121211");
  EXPECT_EQ(evalAt("a = Array(1)\r\nMyFunction = a(Null)"), "Error 94 : Invalid use of Null");
  EXPECT_EQ(evalAt("a = Array(1)\r\nMyFunction = a(\"one\")"), "Error 13 : Type mismatch");
  // A variable that holds no array cannot be indexed.
  EXPECT_EQ(evalAt("y = 1\r\ny(0) = 2"), "Error 13 : Type mismatch: 'y'");
  EXPECT_EQ(evalAt("MyFunction = UBound(x)"), "Error 13 : Type mismatch");
}

TEST(FixedArrays, CannotBeResizedOrReplacedButEraseEmptiesThem) {
  EXPECT_EQ(evalAt("Dim a(2)\r\nReDim a(5)"), "Error 10 : This array is fixed or temporarily locked");
  EXPECT_EQ(evalAt("Dim a(2)\r\nReDim Preserve a(5)"), "Error 10 : This array is fixed or temporarily locked");
  EXPECT_EQ(evalAt("Dim a(2)\r\na = 5"), "Error 13 : Type mismatch: 'a'");
  EXPECT_EQ(evalAt("Dim a(2)\r\na(1) = 4\r\nErase a\r\nMyFunction = UBound(a) & IsEmpty(a(1))"), "String 2True");
  EXPECT_EQ(evalAt("y = 3\r\nErase y"), "Error 13 : Type mismatch");
}

TEST(DynamicArrays, ReDimSizesAndPreserveKeepsTheElements) {
  EXPECT_EQ(evalAt("Dim a()\r\nMyFunction = IsArray(a)"), "Boolean True");
  EXPECT_EQ(evalAt("Dim a()\r\nMyFunction = UBound(a)"), kOutOfRange);
  EXPECT_EQ(evalAt("Dim a()\r\nMyFunction = a(0)"), kOutOfRange);
  EXPECT_EQ(evalAt("Dim a()\r\nReDim a(x)\r\nMyFunction = UBound(a)", 4), "Long 4");
  EXPECT_EQ(evalAt("ReDim a(2)\r\na(2) = 5\r\nReDim a(3)\r\nMyFunction = IsEmpty(a(2))"), "Boolean True");
  EXPECT_EQ(evalAt("ReDim a(2)\r\na(2) = 5\r\nReDim Preserve a(6)\r\nMyFunction = a(2) & UBound(a)"), "String 56");
  EXPECT_EQ(evalAt("ReDim a(2)\r\na(0) = 5\r\nReDim Preserve a(0)\r\nMyFunction = a(0) & UBound(a)"), "String 50");
  EXPECT_EQ(evalAt("ReDim a(-1)\r\nMyFunction = UBound(a)"), "Long -1");
  EXPECT_EQ(evalAt("ReDim a(-2)"), kOutOfRange);
  // Preserve changes the last dimension only, and keeps each element where it was.
  EXPECT_EQ(evalAt("ReDim m(1, 1)\r\nm(1, 0) = 3\r\nm(0, 1) = 4\r\nReDim Preserve m(1, 2)\r\n"
                   "MyFunction = m(1, 0) & m(0, 1) & UBound(m, 2)"),
            "String 342");
  EXPECT_EQ(evalAt("ReDim m(1, 1)\r\nReDim Preserve m(2, 1)"), kOutOfRange);
  EXPECT_EQ(evalAt("ReDim m(1, 1)\r\nReDim Preserve m(1)"), kOutOfRange);
  // Erase leaves a dynamic array unsized.
  EXPECT_EQ(evalAt("a = Array(1, 2)\r\nErase a\r\nMyFunction = IsArray(a)"), "Boolean True");
  EXPECT_EQ(evalAt("a = Array(1, 2)\r\nErase a\r\nMyFunction = UBound(a)"), kOutOfRange);
}

TEST(DynamicArrays, ReDimDeclaresItsVariableEvenUnderOptionExplicit) {
  VBScriptEngine engine;
  ASSERT_TRUE(engine.addCode("Option Explicit\r\nReDim q(2)\r\nq(1) = 7\r\nFunction F()\r\nReDim r(1)\r\nF = q(1) + UBound(r)\r\nEnd Function"));
  const auto v = engine.run("F", {});
  ASSERT_TRUE(v.has_value()) << engine.lastError().description;
  EXPECT_EQ(v->toText(), "8");
}

TEST(ArrayMemory, AHugeArrayIsRefusedAndMemoryStaysBounded) {
  const std::string outOfMemory = "Error 7 : Out of memory";
  EXPECT_EQ(evalAt("ReDim a(2000000000)"), outOfMemory);
  EXPECT_EQ(evalAt("ReDim a(100000, 100000)"), outOfMemory);
  EXPECT_EQ(evalAt("ReDim a(65535, 65535, 65535, 65535)"), outOfMemory);
  EXPECT_EQ(evalAt("Dim a(1000000, 1000)"), outOfMemory);
  // Sixty dimensions are allowed, not sixty-one.
  std::string sixty = "ReDim a(0", sixtyOne;
  for (int i = 1; i < 60; ++i) sixty += ", 0";
  sixtyOne = sixty + ", 0)";
  sixty += ")\r\nMyFunction = UBound(a, 60)";
  EXPECT_EQ(evalAt(sixty), "Long 0");
  EXPECT_EQ(evalAt(sixtyOne), kOutOfRange);
  EXPECT_EQ(evalAt("MyFunction = Split(String(5000000, \",\"), \",\")"), outOfMemory);
  // Copies of large arrays held in other arrays count too.
  EXPECT_EQ(evalAt("ReDim big(1000000)\r\nReDim many(100)\r\nFor i = 0 To 100\r\n big(0) = i\r\n many(i) = big\r\nNext"),
            outOfMemory);
  // Arrays nested 300,000 deep are freed without exhausting the stack.
  EXPECT_EQ(evalAt("a = Array()\r\nFor i = 1 To 300000\r\n a = Array(a)\r\nNext\r\nMyFunction = UBound(a)"), "Long 0");
  // What a failed run held is given back.
  EXPECT_EQ(evalAt("ReDim a(4000000)\r\nMyFunction = UBound(a)"), "Long 4000000");
}

TEST(ArrayValues, AssignmentAndByValCopyByRefShares) {
  EXPECT_EQ(evalAt("a = Array(1, 2)\r\nb = a\r\nb(0) = 9\r\nMyFunction = a(0) & b(0)"), "String 19");
  EXPECT_EQ(evalWith("a = Array(1)\r\nb = F(a)\r\nS a\r\nMyFunction = a(0) & b(0)",
                     "Function F(ByVal v)\r\nv(0) = 5\r\nF = v\r\nEnd Function\r\nSub S(v)\r\nv(0) = 6\r\nEnd Sub"),
            "String 65");
  // An element passed by reference gets what the procedure leaves in it.
  EXPECT_EQ(evalWith("a = Array(1, 2)\r\nInc a(1)\r\nCall Inc(a(0))\r\ny = Twice(a(1)) + 0\r\n"
                     "MyFunction = a(0) & \",\" & a(1) & \",\" & y",
                     "Sub Inc(v)\r\nv = v + 10\r\nEnd Sub\r\nFunction Twice(v)\r\nv = v * 2\r\nTwice = v\r\nEnd Function"),
            "String 11,24,24");
  EXPECT_EQ(evalWith("a = Array(1)\r\nInc (a(0))\r\nMyFunction = a(0)", "Sub Inc(v)\r\nv = v + 10\r\nEnd Sub"),
            "Integer 1");
  // An array stored in one of its own elements is a copy of it.
  EXPECT_EQ(evalAt("a = Array(1, 2)\r\na(0) = a\r\nMyFunction = UBound(a(0)) & IsArray(a(0)(0))"), "String 1False");
  EXPECT_EQ(evalWith("MyFunction = Squares(3)(2)",
                     "Function Squares(n)\r\nReDim r(n)\r\nFor i = 0 To n\r\n r(i) = i * i\r\nNext\r\nSquares = r\r\nEnd Function"),
            "Integer 4");
}

TEST(ArrayValues, ArraysAreNoNumbersTextsOrObjects) {
  for (const char* e : {"Array(1) + 1", "-Array(1)", "Array(1) & \"\"", "Array(1) = Array(1)", "CStr(Array(1))",
                        "CDbl(Array(1))", "Abs(Array(1))", "Len(Array(1))", "Not Array(1)"})
    EXPECT_EQ(expr(e).substr(0, 8), "Error 13") << e;
  EXPECT_EQ(expr("Array(1) Is Nothing"), "Error 424 : Object required");
  EXPECT_EQ(expr("TypeName(Array())"), "String Variant()");
  EXPECT_EQ(expr("UBound(Array())"), "Long -1");
  EXPECT_EQ(expr("Array(1, Array(2, 3))(1)(0)"), "Integer 2");
  // f may give an array: shown by its type, as it has no text.
  EXPECT_EQ(evalAt("MyFunction = Array(x)"), "Variant()");
}

TEST(ForEach, VisitsEveryElementInMemoryOrder) {
  EXPECT_EQ(evalAt("For Each v In Array(3, \"a\", Null)\r\n s = s & \"[\" & v & \"]\"\r\nNext\r\nMyFunction = s"),
            "String [3][a][]");
  EXPECT_EQ(evalAt("Dim m(1, 1)\r\nm(0, 0) = 1 : m(1, 0) = 2 : m(0, 1) = 3 : m(1, 1) = 4\r\n"
                   "For Each v In m : s = s & v : Next\r\nMyFunction = s"),
            "String 1234");
  EXPECT_EQ(evalAt("n = 0\r\nFor Each v In Array()\r\n n = n + 1\r\nNext\r\nMyFunction = n"), "Integer 0");
  EXPECT_EQ(evalAt("For Each v In Array(1, 2, 3)\r\n If v = 2 Then Exit For\r\nNext\r\nMyFunction = v"), "Integer 2");
  // The loop walks the array as it was when the loop began.
  EXPECT_EQ(evalAt("a = Array(1, 2)\r\nFor Each v In a\r\n a(1) = 5\r\n s = s & v\r\nNext\r\nMyFunction = s & a(1)"),
            "String 125");
  EXPECT_EQ(evalAt("For Each v In 5\r\nNext"), "Error 451 : Object not a collection");
  EXPECT_EQ(evalAt("For Each v In Array(1)\r\n"), "Error 1020 : Expected 'Next'");
  EXPECT_EQ(evalAt("For Each v Array(1)\r\nNext"), "Error 1046 : Expected 'In'");
}

TEST(ArrayFunctions, SplitJoinAndFilter) {
  EXPECT_EQ(expr("Join(Split(\"a,b,,c\", \",\"), \"|\")"), "String a|b||c");
  EXPECT_EQ(expr("UBound(Split(\"a,b,,c\", \",\"))"), "Long 3");
  EXPECT_EQ(expr("UBound(Split(\"\"))"), "Long -1");
  EXPECT_EQ(expr("Split(\"one two\")(1)"), "String two");
  EXPECT_EQ(expr("Join(Split(\"a,b,c,d\", \",\", 2), \"|\")"), "String a|b,c,d");
  EXPECT_EQ(expr("UBound(Split(\"a,b\", \",\", 0))"), "Long -1");
  EXPECT_EQ(expr("Join(Split(\"aXbxc\", \"x\"), \"|\")"), "String aXb|c");
  EXPECT_EQ(expr("Join(Split(\"aXbxc\", \"x\", -1, 1), \"|\")"), "String a|b|c");
  EXPECT_EQ(expr("Split(\"abc\", \"\")(0)"), "String abc");
  EXPECT_EQ(expr("Split(\"a b\", \" \", -2)"), "Error 5 : Invalid procedure call or argument");
  EXPECT_EQ(expr("Split(Null)"), "Error 94 : Invalid use of Null");
  EXPECT_EQ(expr("Join(Array(1, 2.5, True))"), "String 1 2.5 True");
  EXPECT_EQ(expr("Join(Array())"), "String ");
  EXPECT_EQ(expr("Join(\"ab\")"), "Error 13 : Type mismatch");
  EXPECT_EQ(evalAt("Dim m(1, 1)\r\nMyFunction = Join(m)"), "Error 5 : Invalid procedure call or argument");
  EXPECT_EQ(expr("Join(Filter(Array(\"ab\", \"cd\", \"Ab\"), \"a\"), \",\")"), "String ab");
  EXPECT_EQ(expr("Join(Filter(Array(\"ab\", \"cd\", \"Ab\"), \"a\", True, 1), \",\")"), "String ab,Ab");
  EXPECT_EQ(expr("Join(Filter(Array(\"ab\", \"cd\", \"Ab\"), \"a\", False), \",\")"), "String cd,Ab");
  EXPECT_EQ(expr("UBound(Filter(Array(\"ab\"), \"z\"))"), "Long -1");
}

}  // namespace
}  // namespace zorvan
