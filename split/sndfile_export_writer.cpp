#include "split/sndfile_export_writer.h"

#include "split/sample_unpack.h"

#include <sndfile.h>

#include <algorithm>
#include <string>

namespace sundra {

namespace {

SndfileExportWriter& writerOf(void* userData) {
    return *static_cast<SndfileExportWriter*>(userData);
}

// libsndfile is C: nothing may be thrown through it. A callback keeps the error
// and reports failure; the writer rethrows it once libsndfile has returned.
template <typename Call> sf_count_t guarded(void* userData, sf_count_t failed, Call call) noexcept {
    try {
        return call(writerOf(userData).file());
    } catch (...) {
        writerOf(userData).keepError(std::current_exception());
        return failed;
    }
}

sf_count_t fileLength(void* userData) {
    return guarded(userData, -1, [](File& file) { return file.length(); });
}

sf_count_t fileSeek(sf_count_t offset, int whence, void* userData) {
    return guarded(userData, -1, [&](File& file) {
        const File::Origin origin = whence == SEEK_SET   ? File::Origin::Begin
                                    : whence == SEEK_END ? File::Origin::End
                                                         : File::Origin::Current;
        return file.seek(offset, origin);
    });
}

sf_count_t fileRead(void* buffer, sf_count_t count, void* userData) {
    return guarded(userData, 0, [&](File& file) {
        sf_count_t done = 0;
        while (done < count) {
            const auto chunk =
                static_cast<std::int32_t>(std::min<sf_count_t>(count - done, 1 << 30));
            const std::int32_t got = file.read(static_cast<char*>(buffer) + done, chunk);
            if (got <= 0)
                break;
            done += got;
        }
        return done;
    });
}

sf_count_t fileWrite(const void* buffer, sf_count_t count, void* userData) {
    return guarded(userData, 0, [&](File& file) {
        sf_count_t done = 0;
        while (done < count) {
            const auto chunk =
                static_cast<std::int32_t>(std::min<sf_count_t>(count - done, 1 << 30));
            file.write(static_cast<const char*>(buffer) + done, chunk);
            done += chunk;
        }
        return done;
    });
}

sf_count_t fileTell(void* userData) {
    return guarded(userData, -1, [](File& file) { return file.position(); });
}

SF_VIRTUAL_IO kFileIo{fileLength, fileSeek, fileRead, fileWrite, fileTell};

int sndfileFormat(ExportFormat format, const WaveFormat& source) {
    switch (format) {
    case ExportFormat::Flac:
        switch (flacBitsFor(source)) {
        case 8:
            return SF_FORMAT_FLAC | SF_FORMAT_PCM_S8;
        case 16:
            return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
        default:
            return SF_FORMAT_FLAC | SF_FORMAT_PCM_24;
        }
    case ExportFormat::OggVorbis:
        return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    case ExportFormat::Opus:
        return SF_FORMAT_OGG | SF_FORMAT_OPUS;
    case ExportFormat::Mp3:
        return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    case ExportFormat::Wav:
        break;
    }
    return 0;
}

} // namespace

SndfileExportWriter::SndfileExportWriter(const ExportSettings& settings) : settings_(settings) {}

SndfileExportWriter::~SndfileExportWriter() {
    abort();
}

void SndfileExportWriter::keepError(std::exception_ptr error) {
    if (!ioError_)
        ioError_ = std::move(error);
}

void SndfileExportWriter::open(std::unique_ptr<File> file, const WaveFormat& source, std::int64_t,
                               const TrackTags& tags) {
    if (auto problem = exportProblem(settings_.format, source))
        throw ExportError(*problem);
    source_ = source;
    file_ = std::move(file);
    SF_INFO info{};
    info.samplerate = source.samplesPerSecond;
    info.channels = source.channels;
    info.format = sndfileFormat(settings_.format, source);
    if (!sf_format_check(&info))
        throw ExportError(std::string(exportFormatLabel(settings_.format)) +
                          " cannot hold this recording's samples.");
    sndfile_ = sf_open_virtual(&kFileIo, SFM_WRITE, &info, this);
    if (!sndfile_)
        fail("start");
    configure(tags);
}

void SndfileExportWriter::configure(const TrackTags& tags) {
    const double quality = std::clamp(settings_.quality, 0, 100) / 100.0;
    switch (settings_.format) {
    case ExportFormat::OggVorbis: {
        double vbrQuality = quality;
        sf_command(sndfile_, SFC_SET_VBR_ENCODING_QUALITY, &vbrQuality, sizeof vbrQuality);
        break;
    }
    case ExportFormat::Mp3: {
        int mode = SF_BITRATE_MODE_VARIABLE;
        sf_command(sndfile_, SFC_SET_BITRATE_MODE, &mode, sizeof mode);
        [[fallthrough]];
    }
    case ExportFormat::Opus: {
        double level = 1.0 - quality;
        sf_command(sndfile_, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
        break;
    }
    case ExportFormat::Flac:
    case ExportFormat::Wav:
        break;
    }
    // The tags must all be set before the first samples are written.
    const auto tag = [this](int type, const std::string& value) {
        if (!value.empty() && sf_set_string(sndfile_, type, value.c_str()) != 0)
            fail("tag");
    };
    tag(SF_STR_TITLE, tags.title);
    tag(SF_STR_ARTIST, tags.artist);
    tag(SF_STR_ALBUM, tags.album);
    tag(SF_STR_DATE, tags.year);
    if (tags.trackNumber > 0)
        tag(SF_STR_TRACKNUMBER, std::to_string(tags.trackNumber));
}

void SndfileExportWriter::write(const void* frames, std::int32_t byteCount) {
    const int bits = source_.bitsPerSample;
    const std::size_t samples = static_cast<std::size_t>(byteCount / (bits / 8));
    const sf_count_t frameCount = static_cast<sf_count_t>(samples) / source_.channels;
    if (frameCount == 0)
        return;
    const auto* bytes = static_cast<const std::uint8_t*>(frames);
    sf_count_t written;
    if (isFloat(source_) && isLossy(settings_.format)) {
        floats_.resize(samples);
        unpackFloats(bytes, samples, bits, floats_.data());
        written = sf_writef_float(sndfile_, floats_.data(), frameCount);
    } else {
        integers_.resize(samples);
        if (isFloat(source_))
            unpackFloatsTo24(bytes, samples, bits, integers_.data());
        else
            unpackIntegers(bytes, samples, bits, integers_.data());
        written = sf_writef_int(sndfile_, integers_.data(), frameCount);
    }
    // An encoder that buffers may take the frames although the file failed.
    if (written != frameCount || ioError_)
        fail("write");
}

void SndfileExportWriter::finish() {
    // Closing flushes the encoder and completes the stream's headers.
    const int closed = sf_close(sndfile_);
    sndfile_ = nullptr;
    if (ioError_)
        std::rethrow_exception(ioError_);
    if (closed != 0)
        throw ExportError(std::string("The ") + exportFormatLabel(settings_.format) +
                          " encoder could not finish the file: " + sf_error_number(closed));
    file_->close();
    file_.reset();
}

void SndfileExportWriter::abort() noexcept {
    if (sndfile_)
        sf_close(sndfile_);
    sndfile_ = nullptr;
    file_.reset();
}

void SndfileExportWriter::fail(const char* doing) {
    if (ioError_)
        std::rethrow_exception(ioError_);
    const std::string reason = sf_strerror(sndfile_);
    throw ExportError(std::string("The ") + exportFormatLabel(settings_.format) +
                      " encoder could not " + doing + " the file: " + reason);
}

} // namespace sundra
