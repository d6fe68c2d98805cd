#pragma once

#include <lua/LuaState.h>
#include <lua/LuaTable.h>
#include <lua.hpp>
#include <cassert>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

namespace lua
{

/**
 * Reads and pushes the values of bound calls. Reads check the exact kind of
 * the slot (LuaException with the type-check message otherwise).
 */
struct LuaValue
{
	static std::string readString(LuaState* state, int index);

	static float readFloat(LuaState* state, int index)
	{
		lua_State* lua = LuaAccess::get(state);
		if (lua_type(lua, index) != LUA_TNUMBER)
			state->checkType(index, LuaState::TYPE_NUMBER);
		return LuaNumber::toFloat(lua_tonumber(lua, index));
	}

	/** Truncated toward zero and saturated; NaN gives 0. */
	static int readInt(LuaState* state, int index)
	{
		lua_State* lua = LuaAccess::get(state);
		if (lua_type(lua, index) != LUA_TNUMBER)
			state->checkType(index, LuaState::TYPE_NUMBER);
		return LuaNumber::toInt(lua_tonumber(lua, index));
	}

	static bool readBool(LuaState* state, int index)
	{
		lua_State* lua = LuaAccess::get(state);
		if (lua_type(lua, index) != LUA_TBOOLEAN)
			state->checkType(index, LuaState::TYPE_BOOLEAN);
		return lua_toboolean(lua, index) != 0;
	}

	static LuaTable readTable(LuaState* state, int index);

	/**
	 * Pushes the result of a bound function (a C function always has room
	 * for it on the stack).
	 */
	static void pushResult(LuaState* state, float value) { lua_pushnumber(LuaAccess::get(state), value); }
	static void pushResult(LuaState* state, int value) { lua_pushnumber(LuaAccess::get(state), value); }
	static void pushResult(LuaState* state, bool value) { lua_pushboolean(LuaAccess::get(state), value ? 1 : 0); }
	static void pushResult(LuaState* state, std::string const& value) { push(state, value); }
	static void pushResult(LuaState* state, LuaTable const& value) { push(state, value); }

	static void push(LuaState* state, std::string const& value);
	static void push(LuaState* state, char const* value);
	static void push(LuaState* state, float value);
	static void push(LuaState* state, double value);
	static void push(LuaState* state, int value);
	static void push(LuaState* state, bool value);
	static void push(LuaState* state, LuaTable const& value);

	template <class T>
	static T read(LuaState* state, int index)
	{
		if constexpr (std::is_same_v<T, std::string>)
			return readString(state, index);
		else if constexpr (std::is_same_v<T, float>)
			return readFloat(state, index);
		else if constexpr (std::is_same_v<T, int>)
			return readInt(state, index);
		else if constexpr (std::is_same_v<T, bool>)
			return readBool(state, index);
		else
		{
			static_assert(std::is_same_v<T, LuaTable>, "bound argument must be std::string, float, int, bool or LuaTable");
			return readTable(state, index);
		}
	}
};

/**
 * Calls a member function with the arguments read from stack positions
 * 1 to n and pushes its result; returns the number of results.
 */
template <class R>
struct ReturnValue
{
	template <class C, class F, class... A, size_t... I>
	static int invoke(LuaState* state, C* obj, F func, std::index_sequence<I...>)
	{
		// Braced initialisation reads the arguments in order.
		std::tuple<std::decay_t<A>...> args{LuaValue::read<std::decay_t<A>>(state, static_cast<int>(I) + 1)...};
		if constexpr (std::is_void_v<R>)
		{
			(obj->*func)(std::get<I>(args)...);
			return 0;
		}
		else
		{
			static_assert(std::is_same_v<R, float> || std::is_same_v<R, int> || std::is_same_v<R, bool> ||
				std::is_same_v<R, std::string> || std::is_same_v<R, LuaTable>,
				"bound result must be void, float, int, bool, std::string or LuaTable");
			LuaValue::pushResult(state, static_cast<R const&>((obj->*func)(std::get<I>(args)...)));
			return 1;
		}
	}

	template <class C, class... A>
	static int callMethod(LuaState* state, C* obj, R (C::*func)(A...))
	{
		return invoke<C, R (C::*)(A...), A...>(state, obj, func, std::index_sequence_for<A...>{});
	}

	template <class C, class... A>
	static int callMethod(LuaState* state, C* obj, R (C::*func)(A...) const)
	{
		return invoke<C, R (C::*)(A...) const, A...>(state, obj, func, std::index_sequence_for<A...>{});
	}
};

/**
 * The frame of a bound C function, as LuaState::dispatch runs it, written
 * out in each dispatcher so that the compiler can inline the body: reads
 * the closure's three upvalues and the owning state, then runs
 * body(lua, state, functor) on the stack of the calling thread. A C++
 * exception leaving the body is kept in the state and raised as a Lua error
 * once the body's frames are gone.
 *
 * With StateOfTarget, the target object is a LuaObject bound into its own
 * table (registerMethod and registerClosure assert that), so its state is
 * the owning one; otherwise the interpreter is asked.
 */
template <bool StateOfTarget, class Target, class Body>
inline int dispatchBound(lua_State* lua, Body body)
{
	LuaFunctor lf;
	lf.obj = lua_touserdata(lua, lua_upvalueindex(1));
	lf.func[0] = lua_touserdata(lua, lua_upvalueindex(2));
	lf.func[1] = lua_touserdata(lua, lua_upvalueindex(3));
	assert(lf.obj && "lf->obj");
	LuaState* state = nullptr;
	if constexpr (StateOfTarget)
	{
		state = static_cast<Target*>(lf.obj)->getLuaState();
	}
	else
	{
		void* owner = nullptr;
		lua_getallocf(lua, &owner);
		state = static_cast<LuaState*>(owner);
	}
	assert(state && "state");

	lua_State* const outer = LuaAccess::enter(state, lua);
	int results = 0;
	bool failed = false;
	try
	{
		results = body(lua, state, lf);
	}
	catch (...)
	{
		failed = true;
		LuaAccess::leave(state, outer);
		LuaAccess::keepPending(state);
	}
	if (failed)
		return LuaAccess::raisePending(state, lua);
	LuaAccess::leave(state, outer);
	return results;
}

/** C function of a member that reads its own arguments: int (C::*)(LuaState*). */
template <class C>
struct LuaStateMethodDispatcher
{
	static int body(lua_State*, LuaState* state, LuaFunctor const& lf)
	{
		typedef int (C::*Method)(LuaState*);
		C* obj = static_cast<C*>(lf.obj);
		return (obj->*lf.member<Method>())(state);
	}

	static int dispatch(lua_State* lua)
	{
		return dispatchBound<false, C>(lua, &body);
	}
};

/** C function of a member with typed arguments and result (member type F). */
template <class C, class F>
struct LuaRawMethodDispatcher
{
	static int body(lua_State*, LuaState* state, LuaFunctor const& lf)
	{
		return callWith(state, static_cast<C*>(lf.obj), lf.member<F>());
	}

	static int dispatch(lua_State* lua)
	{
		return dispatchBound<std::is_base_of_v<LuaObject, C>, C>(lua, &body);
	}

private:
	template <class R, class... A>
	static int callWith(LuaState* state, C* obj, R (C::*func)(A...))
	{
		return ReturnValue<R>::template callMethod<C, A...>(state, obj, func);
	}

	template <class R, class... A>
	static int callWith(LuaState* state, C* obj, R (C::*func)(A...) const)
	{
		return ReturnValue<R>::template callMethod<C, A...>(state, obj, func);
	}
};

/**
 * An engine object on the script side: a table whose fields are functions
 * bound to the object's member functions, called with a dot (`obj.f(a, b)`,
 * arguments from stack position 1, one result or none). The table also holds
 * [0] = the object as light user data, "_G" = the globals and "this" = itself.
 * The engine calls script functions stored in the table by name.
 */
class LuaObject : public LuaTable
{
public:
	/** Creates the object's table on luastate (not null). */
	explicit LuaObject(LuaState* luastate);

	~LuaObject() override;

	/** Stores a C closure of dispatch with the functor's three words as upvalues as t[name]. */
	void registerClosure(char const* name, LuaFunctor const* lf, int (*dispatch)(lua_State*));

	/** Binds a member that reads its own arguments through the state. */
	template <class C>
	void registerLuaMethod(char const* name, C* obj, int (C::*func)(LuaState*))
	{
		assert(func != 0 && obj != 0);
		LuaFunctor lf(obj, func);
		pushClosure(&lf, &LuaStateMethodDispatcher<C>::dispatch);
		storeTop(name);
	}

	/**
	 * Binds a member with typed arguments (std::string, float, int, bool,
	 * LuaTable) and result (void, float, int, bool, std::string, LuaTable).
	 */
	template <class C, class F>
	void registerMethod(char const* name, C* obj, F func)
	{
		assert(func != 0 && obj != 0);
		if constexpr (std::is_base_of_v<LuaObject, C>)
			assert(static_cast<LuaObject*>(obj) == this);
		LuaFunctor lf(obj, func);
		pushClosure(&lf, &LuaRawMethodDispatcher<C, F>::dispatch);
		storeTop(name);
	}

	/** Calls the script function t[name] with no arguments. */
	void call(char const* name);

	/**
	 * Calls the script function t[name] with the arguments (std::string,
	 * char const*, float, int, bool); results are dropped.
	 */
	template <class... A>
	void call(char const* name, A const&... args)
	{
		LuaStackRestore restore(m_luastate);
		pushMember(name);
		(LuaValue::push(m_luastate, args), ...);
		m_luastate->call(static_cast<int>(sizeof...(A)), 0);
	}

private:
	void pushClosure(LuaFunctor const* lf, int (*dispatch)(lua_State*));
	void storeTop(char const* name);

	LuaObject(LuaObject const&) = delete;
	LuaObject& operator=(LuaObject const&) = delete;
};

} // lua
