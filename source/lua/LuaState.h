#pragma once

#include <lua/LuaException.h>
#include <lua/LuaTable.h>
#include <lang/Object.h>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <exception>
#include <string>
#include <type_traits>

struct lua_State;

namespace io
{
class InputStream;
}

namespace lua
{

class LuaState;
class LuaObject;
class LuaBudget;

/**
 * The three machine words that identify a bound member function: the target
 * object followed by the two words of the member-function pointer. They are
 * stored as the three light-userdata upvalues of the bound C closure.
 */
struct LuaFunctor
{
	/** Target object (as a pointer to its own class), never null once bound. */
	void* obj;

	/** The member-function pointer: code or virtual-slot word, this-adjustment word. */
	void* func[2];

	LuaFunctor() : obj(nullptr), func{nullptr, nullptr} {}

	/** Captures object and member function (any member-function pointer type). */
	template <class C, class F>
	LuaFunctor(C* object, F member) : obj(static_cast<void*>(object)), func{nullptr, nullptr}
	{
		static_assert(std::is_member_function_pointer_v<F>, "member function expected");
		static_assert(sizeof(F) == sizeof(func), "member-function pointer must be two machine words");
		static_assert(std::is_trivially_copyable_v<F>, "member-function pointer must be copyable as bytes");
		std::memcpy(func, &member, sizeof(func));
	}

	/** The member-function pointer again, as type F. */
	template <class F>
	F member() const
	{
		static_assert(sizeof(F) == sizeof(func), "member-function pointer must be two machine words");
		F f;
		std::memcpy(&f, func, sizeof(func));
		return f;
	}
};

static_assert(sizeof(LuaFunctor) == 3 * sizeof(void*), "LuaFunctor is three machine words");
static_assert(std::is_standard_layout_v<LuaFunctor>, "LuaFunctor must have a plain layout");

/**
 * One Lua interpreter and the only way the engine touches its value stack.
 *
 * Every call from the engine into Lua is a protected call: a Lua error
 * leaves the interpreter, which stays usable, and is raised afterwards as
 * LuaException (message plus call-stack text). A C++ exception thrown by a
 * bound engine function travels through the script as a Lua error and is
 * thrown again, as the original object, from the engine call that started
 * the script.
 *
 * Numbers inside the interpreter are double; the engine reads and pushes
 * them as float.
 */
class LuaState : public lang::Object
{
public:
	/** Value kinds, numbered as the interpreter numbers them; an int, so that any code can be named. */
	enum Type : int
	{
		TYPE_INVALID = -1,
		TYPE_NIL = 0,
		TYPE_BOOLEAN = 1,
		TYPE_LIGHTUSERDATA = 2,
		TYPE_NUMBER = 3,
		TYPE_STRING = 4,
		TYPE_TABLE = 5,
		TYPE_FUNCTION = 6,
		TYPE_USERDATA = 7,
		TYPE_THREAD = 8,
	};

	/**
	 * Creates the interpreter and opens the libraries base, package, table,
	 * io, os, string and math (not debug, no loading of C modules). The
	 * interpreter carries the stop hook of LuaStop.
	 * @exception LuaException When the interpreter cannot be created.
	 */
	LuaState();

	/** Closes the interpreter. Every LuaTable made on it must be gone first. */
	~LuaState() override;

	/** Name of a kind ("NIL", "NUMBER", ...; "INVALID" for others). */
	static char const* toString(Type type);

	/** Stack top. */
	int top() const;

	/** Pushes a copy of the slot. */
	void push(int index);

	/** Removes n values. */
	void pop(int n);

	/** Kind of the slot; TYPE_INVALID for an absent slot. */
	Type type(int index) const;

	/** Exactly nil (an absent slot is not nil). */
	bool isNil(int index) const;

	/** Exactly a boolean. */
	bool isBoolean(int index) const;

	/** Exactly a table. */
	bool isTable(int index) const;

	/** A number or a string convertible to a number. */
	bool isNumber(int index) const;

	/** A string or a number. */
	bool isString(int index) const;

	/** Boolean at the slot. @exception LuaException Unless it is a boolean. */
	bool toBoolean(int index) const;

	/** Number at the slot. @exception LuaException Unless it is a number. */
	float toNumber(int index) const;

	/** String at the slot, owned by the interpreter. @exception LuaException Unless it is a string. */
	char const* toString(int index) const;

	/** New handle on the table at the slot. @exception LuaException Unless it is a table. */
	LuaTable toTable(int index);

	/**
	 * Returns when the slot's kind is expected.
	 * @exception LuaException "Excepted type {0} at stack position {1} but found {2}{3}".
	 */
	void checkType(int index, Type expected) const;

	void pushBoolean(bool value);
	void pushNumber(float value);

	/** Pushes a zero-terminated string. */
	void pushString(char const* str);

	/** Pushes the string with its length (embedded zero bytes kept). */
	void pushString(std::string const& str);

	static void pushString(lua_State* lua, std::string const& str);
	static void pushString(lua_State* lua, char const* str);

	void pushNil();
	void pushLightUserData(void* ptr);

	/** Pushes a C closure taking its upvalues from the top of the stack. */
	void pushCClosure(int (*func)(lua_State*), int upvalueCount);

	/** Pushes a new empty table. */
	void newTable();

	/** Pushes the referenced table; nil for null or a handle without reference. */
	static void pushTable(lua_State* lua, LuaTable const* table);

	/** t[key] with the key on top, replaced by the value (metamethods apply). */
	void getTable(int index);

	/** t[key] = value with key and value on top, both popped (metamethods apply). */
	void setTable(int index);

	/** One iteration step over the table: true while a key and value were pushed. */
	bool next(int index);

	/** t[n] = top value, raw; the value is popped. */
	void rawSetI(int index, int n);

	/** The globals table. */
	LuaTable& globals() { return m_globals; }

	/**
	 * Calls the function below the nargs arguments, leaving nresults values.
	 * @exception LuaException For a Lua error inside the call (the function
	 *            and its arguments are gone); the original exception for a
	 *            C++ exception raised by a bound function.
	 */
	void call(int nargs, int nresults);

	/**
	 * Loads the whole stream as one chunk named name and runs it; with env
	 * given, the chunk's global reads and writes go to that table. Text and
	 * precompiled chunks are both accepted.
	 * @exception LuaException "Error while compiling Lua: {0}" for a chunk
	 *            that does not compile, or the failure of the run.
	 */
	void compile(io::InputStream& in, std::string const& name, LuaTable* env);

	/** The call-stack text ("\nCall stack:\n" and up to 10 frames, or " (call stack not available)"). */
	static std::string getStackTrace(lua_State* lua);

	/**
	 * The panic handler of the interpreter (an error outside any protected
	 * call): throws LuaException with the message on top and the call-stack
	 * text; never returns.
	 */
	static int handleError(lua_State* lua);

	/**
	 * For a bound C function: finds the owning state and reads the closure's
	 * three upvalues into functor; returns the target object.
	 */
	static void* getDispatchData(lua_State* lua, LuaState** state, LuaFunctor* functor);

	/**
	 * Runs the body of a bound C function. A C++ exception leaving the body is
	 * kept in the state and raised as a Lua error once the body's frames are
	 * gone; the engine call that started the script throws it again.
	 */
	static int dispatch(lua_State* lua, int (*body)(lua_State*, LuaState*, LuaFunctor const&));

private:
	lua_State* m_lua;
	LuaTable m_globals;
	int m_handlerRef;
	std::exception_ptr m_pending;
	std::string m_pendingText;
	/** The budget bounding the code that runs now; null when unbounded. */
	LuaBudget* m_budget = nullptr;

	friend class LuaTable;
	friend class LuaBudget;
	friend class LuaObject;
	friend class LuaStackRestore;
	friend struct LuaAccess;

	void protectedCall(int nargs, int nresults);
	/** The interpreter's allocator (user data: the state); counts against m_budget when one is set. */
	static void* allocate(void* ud, void* ptr, size_t osize, size_t nsize);
	void compileChunk(io::InputStream& in, std::string const& name, LuaTable* env, bool allowBinary);
	static int messageHandler(lua_State* lua);
	void keepPending();
	static int invokeBody(lua_State* lua, int (*body)(lua_State*, LuaState*, LuaFunctor const&));

	LuaState(LuaState const&) = delete;
	LuaState& operator=(LuaState const&) = delete;
};

/** Scope guard: sets the stack top back to its value at construction. */
class LuaStackRestore
{
public:
	explicit LuaStackRestore(LuaState* state);
	explicit LuaStackRestore(lua_State* lua);
	~LuaStackRestore();

private:
	lua_State* m_lua;
	int m_top;

	LuaStackRestore(LuaStackRestore const&) = delete;
	LuaStackRestore& operator=(LuaStackRestore const&) = delete;
};

/** The interpreter handle, for the binding's own code (tables, bound calls). */
struct LuaAccess
{
	static lua_State* get(LuaState const* state) { return state->m_lua; }

	/**
	 * Makes lua (the thread running a bound C function) the stack the state
	 * works on; returns the one it worked on before, for leave().
	 */
	static lua_State* enter(LuaState* state, lua_State* lua)
	{
		lua_State* outer = state->m_lua;
		state->m_lua = lua;
		return outer;
	}

	/** Gives the state back the stack enter() replaced. */
	static void leave(LuaState* state, lua_State* outer) { state->m_lua = outer; }

	/**
	 * Inside a catch block of a bound C function, after leave(): throws the
	 * interpreter's own error on; keeps any other exception in the state to
	 * be thrown again by the engine call that started the script.
	 */
	static void keepPending(LuaState* state);

	/** Raises the kept exception's text as a Lua error on lua; never returns. */
	static int raisePending(LuaState* state, lua_State* lua);
};

/** Conversions of script numbers to engine types. */
struct LuaNumber
{
	/** Nearest float; values beyond the float range become infinities. */
	static float toFloat(double v)
	{
		if (v > FLT_MAX)
			return HUGE_VALF;
		if (v < -FLT_MAX)
			return -HUGE_VALF;
		return static_cast<float>(v);
	}

	/** Truncated toward zero, saturated to the int range; NaN gives 0. */
	static int toInt(double v)
	{
		if (!(v == v))
			return 0;
		if (v >= static_cast<double>(INT_MAX))
			return INT_MAX;
		if (v <= static_cast<double>(INT_MIN))
			return INT_MIN;
		return static_cast<int>(v);
	}
};

} // lua
