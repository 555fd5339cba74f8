// The program's own texts are Russian, and they are the keys of its message catalogue: an English
// catalogue gives them in English where the user's locale asks for English.
#pragma once

// The text in the user's language: the English of the catalogue under an English locale, the text
// itself under every other, and always in the Windows program.
const char* Tr(const char* text);

// The system's words for an error number, in the user's language and in UTF-8, whatever the
// locale's character set; empty in the Windows program, which shows its texts alone. Null for 0,
// where a call only came up short.
const char* SystemReason(int error);
