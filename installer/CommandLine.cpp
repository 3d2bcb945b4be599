#include "installer/CommandLine.h"

namespace install {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

bool StartsWithNoCase(const std::string& s, const std::string& upperPrefix) {
    return Upper(s.substr(0, upperPrefix.size())) == upperPrefix;
}

// Where the program's name ends: quotation marks switch a quoted part on and off, and
// the first blank or tab outside one ends it. Sets name to it, quotes removed.
size_t SkipProgramName(const std::string& line, std::string& name) {
    size_t i = 0;
    bool quoted = false;
    for (; i < line.size() && (quoted || !IsBlank(line[i])); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else
            name += line[i];
    }
    return i;
}

std::string Trimmed(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

}  // namespace

std::vector<TArgument> SplitCommandLine(const std::string& line) {
    std::string ignored;
    size_t i = SkipProgramName(line, ignored);
    const size_t n = line.size();
    std::vector<TArgument> arguments;
    for (;;) {
        while (i < n && IsBlank(line[i])) ++i;
        if (i == n) break;
        TArgument a;
        a.Begin = i;
        bool quoted = false;
        for (;;) {
            size_t slashes = 0;
            while (i < n && line[i] == '\\') {
                ++i;
                ++slashes;
            }
            bool literal = true;
            if (i < n && line[i] == '"') {
                if (slashes % 2 == 0) {
                    if (quoted && i + 1 < n && line[i + 1] == '"')
                        ++i;  // "" inside a quoted part: one literal quotation mark
                    else {
                        literal = false;
                        quoted = !quoted;
                    }
                }
                slashes /= 2;
            }
            a.Text.append(slashes, '\\');
            if (i == n || (!quoted && IsBlank(line[i]))) break;
            if (literal) a.Text += line[i];
            ++i;
        }
        a.End = i;
        arguments.push_back(std::move(a));
    }
    return arguments;
}

std::string QuoteArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\r\"") == std::string::npos)
        return argument;
    std::string out = "\"";
    for (size_t i = 0;; ++i) {
        size_t slashes = 0;
        while (i < argument.size() && argument[i] == '\\') {
            ++i;
            ++slashes;
        }
        if (i == argument.size()) {
            out.append(slashes * 2, '\\');  // before the closing quotation mark
            break;
        }
        if (argument[i] == '"') {
            out.append(slashes * 2 + 1, '\\');
        } else {
            out.append(slashes, '\\');
        }
        out += argument[i];
    }
    return out + "\"";
}

std::string JoinArguments(const std::vector<std::string>& arguments) {
    std::string out;
    for (const auto& a : arguments) {
        if (!out.empty()) out += ' ';
        out += QuoteArgument(a);
    }
    return out;
}

TSwitches ParseSwitches(const std::string& commandLine) {
    TSwitches s;
    std::string program;
    SkipProgramName(commandLine, program);
    const auto cut = program.find_last_of("\\/:");
    s.ProgramName = cut == std::string::npos ? program : program.substr(cut + 1);

    const std::vector<TArgument> args = SplitCommandLine(commandLine);
    const auto takeSetupArguments = [&](size_t dashes) {
        for (size_t k = dashes + 1; k < args.size(); ++k) s.SetupArguments.push_back(args[k].Text);
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& text = args[i].Text;
        if (text == "--") {
            takeSetupArguments(i);
            break;
        }
        if (StartsWithNoCase(text, "/D=")) {
            size_t end = commandLine.size();
            for (size_t k = i + 1; k < args.size(); ++k)
                if (args[k].Text == "--") {
                    end = args[k].Begin;
                    takeSetupArguments(k);
                    break;
                }
            std::string raw;
            for (size_t k = args[i].Begin; k < end; ++k)
                if (commandLine[k] != '"') raw += commandLine[k];
            s.HasDestination = true;
            s.Destination = Trimmed(Trimmed(raw).substr(3));
            if (s.Destination.empty()) s.Errors.push_back("/D= names no folder");
            break;
        }
        const std::string upper = Upper(text);
        if (upper == "/S") {
            s.Silent = true;
        } else if (upper == "/WAIT") {
            s.Wait = true;
        } else if (upper == "/?") {
            s.Help = true;
        } else if (StartsWithNoCase(text, "/LOG=")) {
            s.LogFile = text.substr(5);
            if (s.LogFile.empty()) s.Errors.push_back("/LOG= names no file");
        } else {
            s.Errors.push_back("Unknown switch: " + text);
        }
    }
    return s;
}

std::string HelpText(const std::string& programName) {
    return programName +
           " [/S] [/WAIT] [/LOG=file]\r"
           "    [/D=folder] [-- arguments for setup.exe]\r\r"
           "/S\tinstall without showing anything\r"
           "/WAIT\twait for setup.exe, exit with its code\r"
           "/LOG=file\tappend a log of the run to the file\r"
           "/D=folder\tinstall into the folder (the last switch;\r"
           "\tblanks need no quotes)\r"
           "--\tpass what follows to setup.exe\r"
           "/?\tshow this list\r\r"
           "Exit codes:\r"
           "0\tsetup.exe started (/WAIT: its exit code)\r"
           "1\tcancelled\r"
           "2\tthe installer is damaged\r"
           "3\tany other failure\r"
           "4\tanother copy is running (/S or /WAIT)";
}

std::string SwitchErrorText(const std::vector<std::string>& errors) {
    std::string text;
    for (const auto& e : errors) text += e + "\r";
    return text + "\rStart the installer with /? for the list of switches.";
}

}  // namespace install
