#pragma once

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace game
{
class SpriteSheet;
}

/**
 * The objects of one draw depth, grouped by sprite sheet (null for objects
 * without a sprite). Groups keep the order in which their sheet first
 * entered the depth, so drawing never depends on where the sheets happen to
 * lie in memory; names keep their order of entry. A group stays when it
 * empties. The sheet is a key only: it is never dereferenced.
 */
class SheetGroups
{
public:
	typedef std::pair<game::SpriteSheet const*, std::vector<std::string>> Group;
	typedef std::vector<Group>::iterator iterator;
	typedef std::vector<Group>::const_iterator const_iterator;

	/** The names under sheet; a sheet new to the depth gets a group after the others. */
	std::vector<std::string>& operator[](game::SpriteSheet const* sheet)
	{
		auto it = find(sheet);
		if (it != m_groups.end())
			return it->second;
		m_groups.emplace_back(sheet, std::vector<std::string>());
		return m_groups.back().second;
	}

	/** @exception std::out_of_range When the sheet has no group. */
	std::vector<std::string> const& at(game::SpriteSheet const* sheet) const
	{
		auto it = find(sheet);
		if (it == m_groups.end())
			throw std::out_of_range("SheetGroups::at");
		return it->second;
	}

	/** The group of sheet, or end(). */
	iterator find(game::SpriteSheet const* sheet)
	{
		return std::find_if(m_groups.begin(), m_groups.end(), [sheet](Group const& g) { return g.first == sheet; });
	}
	const_iterator find(game::SpriteSheet const* sheet) const
	{
		return std::find_if(m_groups.begin(), m_groups.end(), [sheet](Group const& g) { return g.first == sheet; });
	}

	iterator begin() { return m_groups.begin(); }
	iterator end() { return m_groups.end(); }
	const_iterator begin() const { return m_groups.begin(); }
	const_iterator end() const { return m_groups.end(); }
	bool empty() const { return m_groups.empty(); }
	size_t size() const { return m_groups.size(); }

private:
	std::vector<Group> m_groups;
};
