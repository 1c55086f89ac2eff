// A drawable's pixels read through shared memory (MIT-SHM): the X server writes them straight
// into a segment it shares with this process instead of sending them over the connection,
// which for a whole window is most of a capture's time. A server that cannot reach the
// segment (another machine, another IPC namespace) refuses the read, and the caller falls back
// to an ordinary read. The segment is marked for removal as soon as both sides hold it, so it
// never outlives the process.
//
// Belongs to the thread that owns its connection.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <memory>

namespace orvel::linuxdesktop {

class SharedMemoryImage {
  public:
    // True when the server offers MIT-SHM image reads.
    static bool offered(Display* display);

    // Null when the segment cannot be set up.
    static std::unique_ptr<SharedMemoryImage> create(Display* display, Visual* visual, int depth,
                                                     unsigned int width, unsigned int height);
    ~SharedMemoryImage();
    SharedMemoryImage(const SharedMemoryImage&) = delete;
    SharedMemoryImage& operator=(const SharedMemoryImage&) = delete;

    // The image has this visual, depth and size.
    bool fits(Visual* visual, int depth, unsigned int width, unsigned int height) const;

    // Reads the drawable's pixels from its origin; false when the server refused.
    bool read(Drawable drawable);
    const XImage& image() const { return *image_; }

  private:
    explicit SharedMemoryImage(Display* display);

    Display* display_;
    XImage* image_ = nullptr;
    Visual* visual_ = nullptr;
    XShmSegmentInfo segment_{};
};

} // namespace orvel::linuxdesktop
