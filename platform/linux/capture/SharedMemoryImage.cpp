#include "platform/linux/capture/SharedMemoryImage.hpp"

#include <X11/Xutil.h>

#include <sys/ipc.h>
#include <sys/shm.h>

namespace orvel::linuxdesktop {

bool SharedMemoryImage::offered(Display* display) {
    return XShmQueryExtension(display) != False;
}

std::unique_ptr<SharedMemoryImage> SharedMemoryImage::create(Display* display, Visual* visual,
                                                             int depth, unsigned int width,
                                                             unsigned int height) {
    // The image keeps a pointer to its segment's description, which must therefore live in the
    // object from the start.
    std::unique_ptr<SharedMemoryImage> shared(new SharedMemoryImage(display));
    auto& segment = shared->segment_;
    XImage* image = XShmCreateImage(display, visual, static_cast<unsigned int>(depth), ZPixmap,
                                    nullptr, &segment, width, height);
    if (image == nullptr) {
        return nullptr;
    }
    const auto bytes = static_cast<std::size_t>(image->bytes_per_line) * image->height;
    segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (segment.shmid < 0) {
        XDestroyImage(image);
        return nullptr;
    }
    void* address = shmat(segment.shmid, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(segment.shmid, IPC_RMID, nullptr);
        XDestroyImage(image);
        return nullptr;
    }
    segment.shmaddr = image->data = static_cast<char*>(address);
    segment.readOnly = False;
    XShmAttach(display, &segment);
    // Once the server holds the segment too, it can be marked for removal: it then goes with
    // the last detach, however this process ends.
    XSync(display, False);
    shmctl(segment.shmid, IPC_RMID, nullptr);
    shared->image_ = image;
    shared->visual_ = visual;
    return shared;
}

SharedMemoryImage::SharedMemoryImage(Display* display) : display_(display) {}

SharedMemoryImage::~SharedMemoryImage() {
    if (image_ == nullptr) {
        return;
    }
    XShmDetach(display_, &segment_);
    XSync(display_, False);
    image_->data = nullptr;
    XDestroyImage(image_);
    shmdt(segment_.shmaddr);
}

bool SharedMemoryImage::fits(Visual* visual, int depth, unsigned int width,
                             unsigned int height) const {
    return visual == visual_ && depth == image_->depth &&
           width == static_cast<unsigned int>(image_->width) &&
           height == static_cast<unsigned int>(image_->height);
}

bool SharedMemoryImage::read(Drawable drawable) {
    return XShmGetImage(display_, drawable, image_, 0, 0, AllPlanes) != False;
}

} // namespace orvel::linuxdesktop
