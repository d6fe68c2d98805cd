// The game thread plays, stops and changes volumes while a mixing thread
// mixes. Built also with ThreadSanitizer (scripts/test.sh), which fails on
// any data race.
#include <audio/AudioClip.h>
#include <audio/AudioMixer.h>
#include <gtest/gtest.h>
#include <lang/Thread.h>
#include <atomic>
#include <vector>

using audio::AudioClip;
using audio::AudioConfiguration;
using audio::AudioMixer;

namespace
{

class MixingThread
{
public:
	explicit MixingThread(AudioMixer* mixer) : m_mixer(mixer), m_running(true), m_mixes(0) {}

	void run()
	{
		AudioConfiguration const stereo{2, 16, 22050};
		std::vector<unsigned char> out(4096);
		while (m_running.load())
		{
			if (m_mixes.load() % 2)
				m_mixer->mixUnlimited16(stereo, out.data(), static_cast<unsigned>(out.size()));
			else
				m_mixer->mixUnlimited8({1, 8, 22050}, out.data(), 512);
			m_mixes.fetch_add(1);
		}
	}

	AudioMixer* m_mixer;
	std::atomic<bool> m_running;
	std::atomic<int> m_mixes;
};

} // namespace

TEST(AudioMixerStress, GameThreadAgainstMixingThread)
{
	lang::Ptr<AudioMixer> mixer = new AudioMixer;
	mixer->start();
	MixingThread mixing(mixer.ptr());
	lang::Ptr<lang::Thread> thread = new lang::Thread(
		lang::Functor(new lang::Func1<void, void (MixingThread::*)(), MixingThread*>(&mixing, &MixingThread::run)), true);

	std::vector<unsigned char> pcm(3000);
	for (size_t i = 0; i < pcm.size(); ++i)
		pcm[i] = static_cast<unsigned char>(i * 7);
	uint32_t seed = 99;
	auto next = [&seed]() {
		seed = seed * 1664525u + 1013904223u;
		return seed >> 8;
	};
	std::vector<int> ids;
	for (int i = 0; i < 4000; ++i)
	{
		// Clips dropped here die on the mixing thread once their instances end.
		lang::Ptr<AudioClip> clip = new AudioClip(nullptr, pcm.data(), static_cast<int>(next() % pcm.size()),
			AudioConfiguration{1 + static_cast<int>(next() % 2), next() % 2 ? 8 : 16, 22050});
		int const track = static_cast<int>(next() % AudioMixer::TRACKS);
		int id = mixer->playClip(clip.ptr(), 0.5f, next() % 3 == 0, track);
		if (id >= 0)
			ids.push_back(id);
		switch (next() % 8)
		{
		case 0: mixer->stopClip(clip.ptr()); break;
		case 1: mixer->setClipVolume(ids[next() % ids.size()], static_cast<float>(next() % 100) / 50.f); break;
		case 2: mixer->setTrackVolume(static_cast<float>(next() % 100) / 80.f, track); break;
		case 3: mixer->isClipPlaying(ids[next() % ids.size()]); break;
		case 4: mixer->getPlayingClipCount(track); break;
		case 5: mixer->setClipCountLimit(track, static_cast<int>(next() % 6) - 1); break;
		case 6: if (next() % 50 == 0) mixer->stopClips(); break;
		default: mixer->isClipPlaying(clip.ptr()); break;
		}
		if (i % 500 == 0)
			lang::Thread::yield();
	}
	mixer->stopClips();
	int const seen = mixing.m_mixes.load();
	while (mixing.m_mixes.load() < seen + 2)
		lang::Thread::yield();
	mixing.m_running.store(false);
	thread = nullptr;

	for (int track = 0; track < AudioMixer::TRACKS; ++track)
		EXPECT_EQ(0, mixer->getPlayingClipCount(track));
	EXPECT_GT(mixing.m_mixes.load(), 2);
}
