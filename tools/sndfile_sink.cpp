// libsndfile writes to the OutputFile's descriptor, which stays the OutputFile's to close, so
// that the temporary name, the rename into place and the clean-up are those of every output.
#include "sndfile_sink.h"

#include "engine.h"

namespace chimora {

SndfileSink::SndfileSink(const std::string& path, OutputFormat format) : path_(path), file_(path) {
    if (!file_.isOpen()) {
        failure_ = file_.failure();
        return;
    }
    SF_INFO info{};
    info.samplerate = SAMPLE_RATE;
    info.channels = 2;
    info.format = format == OutputFormat::Flac ? SF_FORMAT_FLAC | SF_FORMAT_PCM_16
                                               : SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    sound_ = sf_open_fd(file_.descriptor(), SFM_WRITE, &info, SF_FALSE);
    if (sound_ == nullptr) fail("cannot write");
}

SndfileSink::~SndfileSink() {
    if (sound_ != nullptr) sf_close(sound_);
}

bool SndfileSink::writeBlock(const std::int16_t* samples, int frames) {
    if (sound_ == nullptr || !failure_.empty()) return false;
    if (sf_writef_short(sound_, samples, frames) != frames) return fail("cannot write");
    return true;
}

bool SndfileSink::finish() {
    if (sound_ == nullptr || !failure_.empty()) return false;
    const int closed = sf_close(sound_);
    sound_ = nullptr;
    if (closed != 0) {
        failure_ = "cannot complete '" + path_ + "': " + sf_error_number(closed);
        return false;
    }
    if (!file_.commit()) {
        failure_ = file_.failure();
        return false;
    }
    return true;
}

bool SndfileSink::fail(const std::string& action) {
    failure_ = action + " '" + path_ + "': " + sf_strerror(sound_);
    return false;
}

} // namespace chimora
