#pragma once

// Where each pixel of a picture goes between its file and its table: the
// orientation, the size and the canvas, planned from the stored size before
// anything is decoded, so that a large picture is scaled as its rows come
// and never held whole.

#include "Orientation.h"
#include "Picture.h"
#include "PictureOptions.h"

#include <cstdint>

namespace bmp2cdata {

struct PicturePlan {
    // From the picture as stored to the picture as shown.
    Orientation orientation;
    // What is made of the picture as shown, and the same in the stored
    // picture's coordinates.
    ScaledWindow shown;
    ScaledWindow stored;
    // Whether that is an enlargement, made of the whole picture once it is
    // turned, or a reduction, made of the stored rows as they come (area
    // averaging gives the same pixels either way up).
    bool enlarges = false;
    // The picture that comes out, and where the shown window lies on it.
    PictureSize output;
    std::uint32_t left = 0;
    std::uint32_t top = 0;
};

// The plan for a picture stored at size, shown in orientation, sized as
// options say.
PicturePlan PlanPicture(PictureSize stored, Orientation orientation, const PictureOptions& options);

// The window of the picture enlarged: each new pixel is the old pixel
// under its centre.
Picture Enlarged(const Picture& picture, const ScaledWindow& window);

// The stored window as built (or the whole stored picture, when the plan
// enlarges) made into the picture that comes out: oriented, enlarged, laid
// on its canvas, and with red and blue swapped for a BGR panel.
Picture FinishedPicture(Picture built, const PicturePlan& plan, const PictureOptions& options);

// The test card at size: a one-pixel white frame; inside it, the top half
// eight bars of equal width (the last taking what is left) in red, green,
// blue, white, cyan, magenta, yellow and black, the bottom half a grey ramp
// from black at the left to white at the right.
Picture TestCard(PictureSize size);

}  // namespace bmp2cdata
