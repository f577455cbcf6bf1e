#pragma once
#include <string>

// What a listing leaves out: folders and files whose names start with "." (as a file manager
// hides them), and the system folders of "/" that hold no music (proc, sys, dev, boot, etc,
// …). The setting "ShowHiddenFolders=1" lists them all.
class CHiddenNames
{
public:
    explicit CHiddenNames(const std::string& parent); // reads the setting
    virtual ~CHiddenNames() = default;

    bool Hides(const std::string& name) const;

private:
    bool ShowAll;
    bool AtRoot;
};
