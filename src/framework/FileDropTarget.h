#pragma once

// What a field that accepts dropped files hands the first file to. The
// image objects are such targets; the control layer knows only this.

namespace rf {

class IFileDropTarget {
public:
    // The result tells whether an image was taken; a drop does not look at it.
    virtual bool LoadFile(const char16_t* pszPath) = 0;

protected:
    ~IFileDropTarget() = default;
};

}  // namespace rf
