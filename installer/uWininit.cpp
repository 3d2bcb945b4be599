#include "installer/uWininit.h"

#include "installer/TextLines.h"

bool AddWininitRecord(TWininitLoad load, const std::string& text, const std::string& path,
                      std::string& result) {
    TLines lines;
    switch (load) {
        case TWininitLoad::Unreadable:
            return false;
        case TWininitLoad::Missing:
            lines.push_back("[Rename]");
            break;
        case TWininitLoad::Loaded:
            lines = SplitLines(text);
            break;
    }
    lines.push_back("nul=" + path);
    result = JoinLines(lines);
    return true;
}
