#pragma once

namespace lua
{
class LuaObject;
}

namespace host
{

class Compounds;

/**
 * Binds the compound rows (the description-table compound and the pending
 * compound list) into host, in their fixed order, to area's members. Both
 * borrowed: area must outlive host's use of the rows.
 */
void registerCompoundBodyApi(lua::LuaObject& host, Compounds& area);

} // namespace host
