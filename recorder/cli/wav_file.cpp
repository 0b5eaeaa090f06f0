#include "wav_file.h"

#include <cstring>

namespace {

DWORD Le32(const BYTE* p)
{
    return static_cast<DWORD>(p[0] | (p[1] << 8) | (p[2] << 16)) | (static_cast<DWORD>(p[3]) << 24);
}

WORD Le16(const BYTE* p)
{
    return static_cast<WORD>(p[0] | (p[1] << 8));
}

constexpr WORD kWaveFormatExtensible = 0xFFFE;

} // namespace

bool OpenWavInput(const std::string& path, WavInput* in, std::string* pError)
{
    if (!in->file.Open(path, CFile::modeRead | CFile::typeBinary)) {
        *pError = "cannot open " + path;
        return false;
    }
    BYTE riff[12];
    if (in->file.Read(riff, 12) != 12 || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) {
        *pError = path + " is not a WAV file";
        return false;
    }
    bool haveFormat = false;
    for (;;) {
        BYTE chunk[8];
        if (in->file.Read(chunk, 8) != 8) {
            *pError = path + " has no sound data";
            return false;
        }
        const DWORD size = Le32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            BYTE fmt[40] = {};
            if (size < 16 || in->file.Read(fmt, size < sizeof fmt ? size : sizeof fmt) < 16) {
                *pError = path + " has a damaged format chunk";
                return false;
            }
            WORD tag = Le16(fmt);
            // An extensible header describing plain PCM is PCM too.
            if (tag == kWaveFormatExtensible && size >= 40 && Le16(fmt + 24) == WAVE_FORMAT_PCM)
                tag = WAVE_FORMAT_PCM;
            const WORD channels = Le16(fmt + 2);
            const WORD bits = Le16(fmt + 14);
            if (tag != WAVE_FORMAT_PCM || (bits != 8 && bits != 16) || (channels != 1 && channels != 2)) {
                *pError = path + " is not 8- or 16-bit mono or stereo PCM WAV";
                return false;
            }
            in->format = MakePcmFormat(Le32(fmt + 4), channels, bits);
            haveFormat = true;
            if (size > sizeof fmt)
                in->file.Seek(size - sizeof fmt, CFile::current);
            if (size & 1)
                in->file.Seek(1, CFile::current);
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) {
                *pError = path + " has sound data before its format";
                return false;
            }
            // A header written by a recorder that stopped early may claim
            // more than the file holds; take what is there.
            const LONGLONG left = in->file.GetLength() - in->file.GetPosition();
            in->dataBytes = static_cast<LONGLONG>(size) <= left ? size : static_cast<DWORD>(left);
            in->dataBytes -= in->dataBytes % in->format.nBlockAlign;
            return true;
        } else if (in->file.Seek(size + (size & 1), CFile::current) < 0) {
            *pError = path + " is damaged";
            return false;
        }
    }
}
