#pragma once

// The descriptions of the JSON reader's own failures, worded as serde_json
// words them.

namespace papyr::json {

inline constexpr const char* kEofWhileParsingList = "EOF while parsing a list";
inline constexpr const char* kEofWhileParsingObject = "EOF while parsing an object";
inline constexpr const char* kEofWhileParsingString = "EOF while parsing a string";
inline constexpr const char* kEofWhileParsingValue = "EOF while parsing a value";
inline constexpr const char* kExpectedColon = "expected `:`";
inline constexpr const char* kExpectedListCommaOrEnd = "expected `,` or `]`";
inline constexpr const char* kExpectedObjectCommaOrEnd = "expected `,` or `}`";
inline constexpr const char* kExpectedSomeIdent = "expected ident";
inline constexpr const char* kExpectedSomeValue = "expected value";
inline constexpr const char* kInvalidEscape = "invalid escape";
inline constexpr const char* kInvalidNumber = "invalid number";
inline constexpr const char* kNumberOutOfRange = "number out of range";
inline constexpr const char* kInvalidUnicodeCodePoint = "invalid unicode code point";
inline constexpr const char* kControlCharacter =
    "control character (\\u0000-\\u001F) found while parsing a string";
inline constexpr const char* kKeyMustBeAString = "key must be a string";
inline constexpr const char* kLoneLeadingSurrogate = "lone leading surrogate in hex escape";
inline constexpr const char* kTrailingComma = "trailing comma";
inline constexpr const char* kTrailingCharacters = "trailing characters";
inline constexpr const char* kUnexpectedEndOfHexEscape = "unexpected end of hex escape";
inline constexpr const char* kRecursionLimitExceeded = "recursion limit exceeded";

}  // namespace papyr::json
