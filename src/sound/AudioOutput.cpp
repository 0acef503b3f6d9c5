#include "sound/AudioOutput.h"

#include "sound/SoundGraph.h"

namespace tavik {

bool OfflineAudioOutput::start(SoundGraph& graph)
{
    m_graph = &graph;
    ++m_starts;
    return true;
}

void OfflineAudioOutput::stop()
{
    m_graph = nullptr;
}

void OfflineAudioOutput::pull(std::vector<float>& interleaved, std::size_t frames)
{
    const std::size_t offset = interleaved.size();
    interleaved.resize(offset + 2 * frames, 0.0f);
    if (m_graph)
        m_graph->render(interleaved.data() + offset, frames);
}

} // namespace tavik
