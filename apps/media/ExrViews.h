#pragma once
// Where an OpenEXR file keeps the colour of each view it shows: the part, and the names of the
// channels to read. A file whose views are "left" and "right" (the multiView attribute, or
// parts named by view) shows both; any other file shows its one picture.
#include <ImfMultiPartInputFile.h>

#include <string>
#include <vector>

namespace duovis::media {

struct ExrView {
    int part = 0;
    std::string name;         // "left" or "right", "" for a one-view file
    std::string channels[4];  // red, green, blue, alpha ("" for none); grey names Y three times
    bool half = false;        // the colour is kept in half floats
};

// The views to read, each with a colour to read: channels with no layer name, else the one
// layer holding R, G and B (or Y). Throws naming the file, the view and what it lacks where a
// view has no colour, or where several layers hold one and none is the picture.
std::vector<ExrView> exrViews(Imf::MultiPartInputFile& file, const std::string& path);

}  // namespace duovis::media
