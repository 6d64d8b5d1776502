// Whether a name is a link (a junction, a symbolic link, any reparse point):
// the one place that decides, for the frame scan and through it every
// operation, the deletes, the rename and the drop target.
//
// Windows marks every link with FILE_ATTRIBUTE_REPARSE_POINT. Wine 8 marks
// links to folders only: a link to a file is listed with the attributes of
// the file it points to, and every call that names a link, to a file or to a
// folder (a move, a delete, a change of attributes, the recycle bin), acts on
// what it points to. What gives a link away on both is the path that a
// handle opened through it reports: the target's, not the link's.
#pragma once

#include <windows.h>

#include <string>

namespace win {

// The names of one folder, as its listing gives them.
class LinkCheck {
public:
    // folder ends with a backslash.
    explicit LinkCheck(const std::string& folder);

    // Whether the entry name (listed with these attributes) is a link. A
    // folder without the reparse point mark is taken as a real one: both
    // systems mark links to folders.
    bool IsLink(const std::string& name, DWORD attributes) const;

    // The check for a real subfolder (not a link) of this folder.
    LinkCheck Child(const std::string& name) const;

private:
    LinkCheck() = default;
    std::string folder_;
    std::wstring finalFolder_;  // with a backslash; empty when the system cannot tell
};

// Whether path is a link; false when nothing is there (under Wine also for a
// link whose target is gone, which no call can reach).
bool IsLink(const std::string& path);

}  // namespace win
