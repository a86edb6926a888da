// Text between the kit and the person at the terminal. The installer's texts are
// GBK; a Linux terminal reads UTF-8, a Windows console the system's code page.
#pragma once
#include <string>

// GBK text as this terminal shows it: characters converted; every other byte
// (control bytes, DEL, half a pair, a pair with no character) and the marks
// that reorder text on screen come out as \xNN: text a server sent never moves
// the cursor, recolours or rewrites what the kit printed.
std::string TerminalText(const std::string& gbk);

// UTF-16 text as this terminal shows it, escaped by the same rules.
std::string WideTerminalText(const std::u16string& text);

// A command-line argument as UTF-16: arguments arrive in UTF-8 on Linux and in
// the ANSI code page on Windows.
std::u16string ArgumentText(const char* arg);

// A kit path (KitPath) in the form the user typed it on this system.
std::string UserPath(std::string path);
