#pragma once

#include "app/CommandLine.h"
#include "app/InstallSelection.h"

#include <windows.h>

#include <string>
#include <vector>

// An answer file: the choices of one installation as an INI file of one section,
// [Answers], whose keys are the unattended switches' names and whose values are the
// switches' own value forms. The wizard records one (/save-answers) when its installation
// succeeds; an unattended run replays one (/answers) as if each key were given as its
// switch, the command line's own switches winning.

// One key = value line of the [Answers] section, with its line number for the refusal.
struct AnswerLine {
    std::string key;
    std::string value;
    int line = 0;
};

// The [Answers] lines of an answer file's text; empty when it can be read, otherwise
// why not (a line that is no key = value, a key outside [Answers], another section, no
// [Answers] at all). Blank lines and ; comments are skipped.
std::string ReadAnswerLines(const std::string& text, std::vector<AnswerLine>& lines);

// Applies the lines to the switches as if each key were given as its switch; empty when
// every line is taken, otherwise the key and what is wrong with it (no such key, the
// licence, given twice, a value in the wrong form).
std::string ApplyAnswerLines(const std::vector<AnswerLine>& lines, SetupSwitches& switches);

// The command line's switches with its /answers file read under them; refused as a
// command line is (the file, the key and the reason), and the model is then required
// from one of the two. Anything but an /answers run (a refused line, /? too) comes back
// as it was parsed.
ParsedSwitches ReadAnswerFile(const std::vector<std::string>& words, ParsedSwitches parsed);

// What the wizard chose, in the answer file's keys and the switches' value forms: only
// the keys that apply to the port's kind, Default and Renumber only when set.
std::vector<AnswerLine> AnswersOfSelection(const InstallSelection& selection, bool renumbered);

// The file's text: a comment naming the date and the distribution's version, the section
// and its lines, CR LF ended.
std::string AnswerFileText(const std::vector<AnswerLine>& answers, const std::string& date, const std::string& version);

// The wizard records its choices into this file once an installation has succeeded;
// empty: it records nothing.
void SetWizardAnswerFile(const std::string& path);

// After the wizard's successful installation and its closing message: writes the file
// set above (created or overwritten). One that cannot be written is journalled and told
// in a message box owned by the frame.
void SaveWizardAnswers(HWND frame, const InstallSelection& selection, bool renumbered);
