// qxrec encode IN.wav OUT [--type ...] [--rate HZ] [--channels N] [--bits N]:
// converts a PCM WAV file a second at a time, as the recording engine
// converts captured chunks, and writes WAV, MP3, WMA or OGG.

#include "capture/acm_converter.h"
#include "commands.h"
#include "encode_output.h"
#include "format_options.h"
#include "recording/format_rules.h"
#include "wav_file.h"

#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

int UsageError(const std::string& message)
{
    std::fprintf(stderr, "qxrec encode: %s\nusage: qxrec encode IN.wav OUT [--type wav|mp3|wma|ogg] [--rate HZ] "
                         "[--channels N] [--bits N]\n",
                 message.c_str());
    return 2;
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "qxrec encode: %s\n", message.c_str());
    return 1;
}

// Shows the share done on a terminal; silent otherwise.
class Progress {
public:
    Progress() : m_shown(isatty(STDERR_FILENO) != 0) {}
    void Update(ULONGLONG done, ULONGLONG total)
    {
        const int percent = total ? static_cast<int>(done * 100 / total) : 100;
        if (m_shown && percent != m_last)
            std::fprintf(stderr, "\r%3d%%", percent);
        m_last = percent;
    }
    ~Progress()
    {
        if (m_shown && m_last >= 0)
            std::fprintf(stderr, "\n");
    }

private:
    bool m_shown;
    int m_last = -1;
};

} // namespace

int RunEncode(int argc, char** argv)
{
    std::vector<std::string> paths;
    FormatOptions options;
    if (std::string error; !ParsePathsAndFormat(argc, argv, &paths, &options, &error))
        return UsageError(error);
    if (paths.size() != 2)
        return UsageError("an input and an output file are needed");
    const std::string& outPath = paths[1];
    const int type = options.type >= 0 ? options.type : OutputTypeFromPath(outPath);
    if (type < 0)
        return UsageError("cannot tell the output type from " + outPath + "; give --type");

    WavInput in;
    std::string error;
    if (!OpenWavInput(paths[0], &in, &error))
        return Fail(error);
    const WAVEFORMATEX& src = in.format;
    WAVEFORMATEX dst;
    CAcmConverter::FillPcmFormat(&dst, options.rate ? options.rate : src.nSamplesPerSec,
                                 static_cast<WORD>(options.bits ? options.bits : src.wBitsPerSample),
                                 static_cast<WORD>(options.channels ? options.channels : src.nChannels));

    std::string refusal;
    if (!CheckFormatRules(type, dst.wBitsPerSample, dst.nChannels, static_cast<int>(dst.nSamplesPerSec), &refusal)) {
        std::fprintf(stderr, "%s\n", refusal.c_str());
        return 1;
    }

    CAcmConverter converter;
    if (!converter.Open(&src, &dst))
        return Fail("cannot convert to " + std::to_string(dst.nSamplesPerSec) + " Hz");
    const int blockOut = converter.DestSize(src.nAvgBytesPerSec);
    if (blockOut <= 0)
        return Fail("cannot convert to this format");
    std::unique_ptr<EncodeOutput> output = MakeEncodeOutput(type);
    if (!output->Begin(outPath, dst, &error)) {
        output->Finish();
        return Fail(error);
    }

    std::vector<BYTE> block(src.nAvgBytesPerSec), converted(static_cast<std::size_t>(blockOut));
    bool ok = true;
    Progress progress;
    for (DWORD done = 0; done < in.dataBytes && ok;) {
        const DWORD want = in.dataBytes - done < block.size() ? in.dataBytes - done : static_cast<DWORD>(block.size());
        const UINT got = in.file.Read(block.data(), want);
        if (got == 0)
            break;
        done += got;
        const int size = converter.DestSize(got);
        const int produced = size > 0 ? converter.Convert(block.data(), converted.data(), got, static_cast<DWORD>(size)) : -1;
        ok = produced >= 0 && output->Put(converted.data(), static_cast<DWORD>(produced));
        progress.Update(done, in.dataBytes);
    }
    ok = output->Finish() && ok;
    return ok ? 0 : Fail("writing " + outPath + " failed");
}
