// A later start's request and the running program's answer, as they come
// over the socket: decoding never fails on any bytes, and whatever decodes
// is sent again as the same thing.
#include "SingleInstance.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray line(reinterpret_cast<const char*>(data), qsizetype(size));
    std::optional<qint64> deadline, again;
    if (const std::optional<TStartRequest> request = DecodeRequest(line, &deadline)) {
        if (DecodeRequest(EncodeRequest(*request, deadline), &again) != request || again != deadline)
            std::abort();
    }
    if (const std::optional<TInstanceAnswer> answer = DecodeAnswer(line)) {
        if (DecodeAnswer(EncodeAnswer(*answer)) != answer)
            std::abort();
    }
    return 0;
}
