#pragma once
#include <string>

// The sub-folders a listing leaves out: names starting with "." and the system folders of "/"
// that hold no music (proc, sys, dev, boot, etc, …). The setting "ShowHiddenFolders=1"
// lists them all.
class CHiddenFolders
{
public:
    explicit CHiddenFolders(const std::string& parent); // reads the setting
    virtual ~CHiddenFolders() = default;

    bool Hides(const std::string& name) const;

private:
    bool ShowAll;
    bool AtRoot;
};
