#include "ogg_encoder.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vorbis/vorbisenc.h>

COggEncoder::~COggEncoder()
{
    Close();
}

int COggEncoder::Begin(const WAVEFORMATEX* pFormat, int serial, float quality)
{
    if (!pFormat)
        return 0;
    Close();
    vorbis_info_init(&m_vi);
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    // libvorbis takes a quality above its range as its highest.
    if (vorbis_encode_init_vbr(&m_vi, pFormat->nChannels, static_cast<long>(pFormat->nSamplesPerSec), quality)
        != 0) {
        vorbis_comment_clear(&comment);
        vorbis_info_clear(&m_vi);
        return 0;
    }
    if (serial == -1) {
        std::srand(static_cast<unsigned>(std::time(nullptr)));
        serial = std::rand();
    }
    bool ok = vorbis_analysis_init(&m_vd, &m_vi) == 0;
    ok = ok && vorbis_block_init(&m_vd, &m_vb) == 0;
    ok = ok && ogg_stream_init(&m_os, serial) == 0;
    ogg_packet header, commentHeader, codebooks;
    ok = ok && vorbis_analysis_headerout(&m_vd, &comment, &header, &commentHeader, &codebooks) == 0;
    ok = ok && ogg_stream_packetin(&m_os, &header) == 0 && ogg_stream_packetin(&m_os, &commentHeader) == 0
        && ogg_stream_packetin(&m_os, &codebooks) == 0;
    vorbis_comment_clear(&comment);
    // Clearing zeroed or half-made state is harmless in both libraries.
    m_bStarted = 1;
    if (!ok) {
        Close();
        return 0;
    }
    m_Format = *pFormat;
    return 1;
}

int COggEncoder::WriteHeaders(CFile* pFile)
{
    if (!pFile || !pFile->IsOpen() || !m_bStarted)
        return 0;
    while (ogg_stream_flush(&m_os, &m_og) != 0) {
        if (m_og.header_len > 0 && !pFile->Write(m_og.header, static_cast<UINT>(m_og.header_len)))
            return 0;
        if (m_og.body_len > 0 && !pFile->Write(m_og.body, static_cast<UINT>(m_og.body_len)))
            return 0;
    }
    return 1;
}

int COggEncoder::Encode(const BYTE* pData, DWORD byteCount, BYTE* pOutput, DWORD* pOutputBytes)
{
    if (!m_bStarted || byteCount == 0 || !pData || !pOutputBytes
        || (m_Format.nChannels != 1 && m_Format.nChannels != 2))
        return 0;
    const int channels = m_Format.nChannels;
    const int frames = static_cast<int>(byteCount / (2u * static_cast<DWORD>(channels)));
    float** buffer = vorbis_analysis_buffer(&m_vd, frames);
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const BYTE* p = pData + (static_cast<std::size_t>(i) * channels + c) * 2;
            const auto sample = static_cast<std::int16_t>(p[0] | (p[1] << 8));
            buffer[c][i] = sample / 32768.0f;
        }
    }
    vorbis_analysis_wrote(&m_vd, frames);
    *pOutputBytes = DrainPages(pOutput);
    return 1;
}

int COggEncoder::Flush(BYTE* pOutput, DWORD* pOutputBytes)
{
    if (!m_bStarted || !pOutputBytes)
        return 0;
    vorbis_analysis_wrote(&m_vd, 0);
    *pOutputBytes = DrainPages(pOutput);
    return 1;
}

DWORD COggEncoder::DrainPages(BYTE* pOutput)
{
    DWORD total = 0;
    bool endSeen = false;
    while (vorbis_analysis_blockout(&m_vd, &m_vb) == 1) {
        vorbis_analysis(&m_vb, nullptr);
        vorbis_bitrate_addblock(&m_vb);
        while (vorbis_bitrate_flushpacket(&m_vd, &m_op)) {
            ogg_stream_packetin(&m_os, &m_op);
            while (!endSeen && ogg_stream_pageout(&m_os, &m_og) != 0) {
                std::memcpy(pOutput + total, m_og.header, static_cast<std::size_t>(m_og.header_len));
                total += static_cast<DWORD>(m_og.header_len);
                std::memcpy(pOutput + total, m_og.body, static_cast<std::size_t>(m_og.body_len));
                total += static_cast<DWORD>(m_og.body_len);
                endSeen = ogg_page_eos(&m_og) != 0;
            }
        }
    }
    return total;
}

int COggEncoder::Close()
{
    if (!m_bStarted)
        return 0;
    ogg_stream_clear(&m_os);
    vorbis_block_clear(&m_vb);
    vorbis_dsp_clear(&m_vd);
    vorbis_info_clear(&m_vi);
    m_os = {};
    m_vb = {};
    m_vd = {};
    m_vi = {};
    m_bStarted = 0;
    return 1;
}
