#pragma once

#include <map>
#include <string>
#include <vector>

/** A screen effect the compositor advances each frame. */
class CompositorEffect
{
public:
	virtual ~CompositorEffect() = default;
	/** Advances the effect by dt seconds. */
	virtual void update(float dt) = 0;
};

/**
 * Named screen effects advanced in list order. Borrows its effects. Main
 * thread only.
 */
class Compositor
{
public:
	/** Appends name to the list and maps it to effect (borrowed; null leaves the name without effect). */
	void add(std::string const& name, CompositorEffect* effect)
	{
		m_names.push_back(name);
		m_effects[name] = effect;
	}

	/** Updates the effect of every listed name in order; a name without an effect is skipped. */
	void update(float dt)
	{
		for (std::string const& name : m_names)
		{
			auto it = m_effects.find(name);
			if (it != m_effects.end() && it->second)
				it->second->update(dt);
		}
	}

private:
	std::vector<std::string> m_names;
	std::map<std::string, CompositorEffect*> m_effects;
};
