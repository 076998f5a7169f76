#pragma once

// What the names-file and code-page cases need from the platform they run on, so that one case file
// serves both: tests/native/recipients_platform_posix.cpp and tests/win/recipients_platform_win.cpp.

#include <string>

namespace recipients_test {

// The code page the file's bytes are in: the built-in table's natively, the system's on Windows.
unsigned AnsiCodePage();

// Makes a fresh empty folder the current directory (the names file is looked up there);
// LeaveScratchFolder goes back to where it was and removes the folder with what is left in it.
void EnterScratchFolder();
void LeaveScratchFolder();

// The names file in the scratch folder by its full path, spelt as the system spells that folder.
std::wstring NamesFilePath();

// What the user reads when the names could not be read, or a name not added: what failed, the file by
// its full path, then the reason.
inline std::wstring ReadFailureText(const std::wstring& reason)
{
    return L"Не удалось прочитать сохранённые имена компьютеров.\nФайл: " + NamesFilePath() + L"\n\n" + reason;
}
inline std::wstring AddFailureText(const std::wstring& shownName, const std::wstring& reason)
{
    return L"Не удалось добавить имя «" + shownName + L"» в список.\nФайл: " + NamesFilePath() + L"\n\n" + reason;
}

// The names file in the current directory, byte for byte.
void WriteNamesFile(const std::string& bytes);
bool NamesFileExists();
std::string NamesFileContent(); // empty when there is none
void MakeFolderNamedLikeTheNamesFile();
// Whether this is the system's reason, word for word, for opening a folder in place of the names file.
bool IsFolderInsteadOfFileReason(const std::wstring& reason);

// Starts `processes` processes that each append the names "ПК-<process>-<i>", i = 0 .. appends-1, lets
// them all go at the same moment and waits for them; each must end having saved every one.
void AppendFromProcessesAtOnce(int processes, int appends);

} // namespace recipients_test
