#include "UserDefaults.h"
#include "JSONFile.h"
#include <io/detail/detail.h>
#include <io/std/AppDataOutputStream.h>
#include <io/std/FileUtil.h>
#include <lang/Debug.h>
#include <lang/Throwable.h>
#include <util/JSONPrint.h>
#include <cjson/cJSON.h>
#include <sys/stat.h>
#include <new>
#include <cmath>

namespace pf
{

namespace
{

char const* const FILE_NAME = "user-defaults.json";

typedef std::lock_guard<std::recursive_mutex> Lock;

} // namespace

UserDefaults& UserDefaults::standard()
{
	static UserDefaults s_defaults;
	return s_defaults;
}

UserDefaults::FileStamp UserDefaults::stampOf(std::string const& path)
{
	FileStamp stamp;
	stamp.path = path;
	struct stat info;
	if (stat(path.c_str(), &info) == 0)
	{
		stamp.exists = true;
		stamp.size = info.st_size;
		stamp.modified = static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
		stamp.inode = info.st_ino;
	}
	return stamp;
}

void UserDefaults::refresh()
{
	std::string const path = io::detail::constructPath(io::detail::appdataPath(), FILE_NAME);
	FileStamp const stamp = stampOf(path);
	if (m_read && stamp == m_stamp)
		return;
	// Changes not yet written win over the file.
	std::map<std::string, Value> mine;
	std::set<std::string> removed;
	for (std::string const& key : m_changed)
	{
		auto at = m_values.find(key);
		if (at != m_values.end())
			mine.insert(*at);
		else
			removed.insert(key);
	}
	readFile(path);
	for (auto const& entry : mine)
		m_values[entry.first] = entry.second;
	for (std::string const& key : removed)
		m_values.erase(key);
	m_stamp = stamp;
	m_read = true;
}

void UserDefaults::readFile(std::string const& path)
{
	m_values.clear();
	m_bad = false;
	try
	{
		JSONPtr document = JSONFile::read(path, JSONFile::SAVE_FOLDER);
		if (!document)
			return;
		if (!cJSON_IsObject(document.get()))
			JSONFile::fail(path, "not a JSON object");
		std::map<std::string, Value> values;
		for (cJSON* item = document->child; item; item = item->next)
		{
			std::string const key = item->string ? item->string : "";
			if (values.count(key))
				JSONFile::fail(path, "key \"" + key + "\" appears twice");
			if (cJSON_IsBool(item))
				values[key] = cJSON_IsTrue(item) != 0;
			else if (cJSON_IsNumber(item) && !std::isfinite(item->valuedouble))
				// Out of the range of a double (1e400): it could not be written back.
				lang::Debug::printf("User defaults %s: the number of \"%s\" is out of range; that key is dropped\n", path.c_str(), key.c_str());
			else if (cJSON_IsNumber(item))
				values[key] = item->valuedouble;
			else if (cJSON_IsString(item))
				values[key] = std::string(item->valuestring);
			else
				JSONFile::fail(path, "the value of \"" + key + "\" is not a boolean, number or string");
		}
		m_values.swap(values);
	}
	catch (lang::Throwable const& e)
	{
		lang::Debug::printf("User defaults read as empty: %s\n", e.getMessage().format().c_str());
		m_bad = true;
	}
}

bool UserDefaults::writeFile(std::string const& path)
{
	JSONPtr document(cJSON_CreateObject());
	for (auto const& entry : m_values)
	{
		cJSON* item = nullptr;
		if (bool const* b = std::get_if<bool>(&entry.second))
			item = cJSON_CreateBool(*b);
		else if (double const* d = std::get_if<double>(&entry.second))
			item = cJSON_CreateNumber(*d);
		else
			item = cJSON_CreateString(std::get<std::string>(entry.second).c_str());
		cJSON_AddItemToObject(document.get(), entry.first.c_str(), item);
	}
	// Nothing is written (nor moved) while the app-data writes are stopped:
	// the one line saying so came when they stopped.
	if (!io::AppDataOutputStream::writesStopped().empty())
		return false;
	try
	{
		std::string const out = util::printJSON(document.get(), true);
		// A damaged file that stays where it is is not written over.
		if (m_bad && stampOf(path).exists && !JSONFile::setAside(path))
		{
			lang::Debug::printf("Not saving %s: the damaged file could not be moved aside\n", path.c_str());
			return false;
		}
		io::AppDataOutputStream stream(FILE_NAME);
		stream.write(out.data(), static_cast<int>(out.size()));
		stream.close();
	}
	catch (lang::Throwable const& e)
	{
		lang::Debug::printf("Failed to save %s: %s\n", FILE_NAME, e.getMessage().format().c_str());
		return false;
	}
	catch (std::bad_alloc const&)
	{
		lang::Debug::printf("Failed to save %s: out of memory\n", FILE_NAME);
		return false;
	}
	m_bad = false;
	return true;
}

bool UserDefaults::synchronise()
{
	Lock lock(m_mutex);
	refresh();
	if (m_changed.empty())
		return true;
	if (!writeFile(m_stamp.path))
		return false;
	m_changed.clear();
	m_stamp = stampOf(m_stamp.path);
	return true;
}

bool UserDefaults::hasKey(std::string const& key)
{
	Lock lock(m_mutex);
	if (!m_read)
		refresh();
	return m_values.count(key) != 0;
}

bool UserDefaults::getBoolean(std::string const& key, bool fallback)
{
	Lock lock(m_mutex);
	if (!m_read)
		refresh();
	auto at = m_values.find(key);
	bool const* b = at == m_values.end() ? nullptr : std::get_if<bool>(&at->second);
	return b ? *b : fallback;
}

double UserDefaults::getNumber(std::string const& key, double fallback)
{
	Lock lock(m_mutex);
	if (!m_read)
		refresh();
	auto at = m_values.find(key);
	double const* d = at == m_values.end() ? nullptr : std::get_if<double>(&at->second);
	return d ? *d : fallback;
}

std::string UserDefaults::getString(std::string const& key, std::string const& fallback)
{
	Lock lock(m_mutex);
	if (!m_read)
		refresh();
	auto at = m_values.find(key);
	std::string const* s = at == m_values.end() ? nullptr : std::get_if<std::string>(&at->second);
	return s ? *s : fallback;
}

void UserDefaults::set(std::string const& key, Value value)
{
	Lock lock(m_mutex);
	if (!m_read)
		refresh();
	m_values[key] = std::move(value);
	m_changed.insert(key);
}

void UserDefaults::setBoolean(std::string const& key, bool value)
{
	set(key, value);
}

void UserDefaults::setNumber(std::string const& key, double value)
{
	// JSON has no NaN or infinities: they could not be written back.
	if (std::isfinite(value))
	{
		set(key, value);
		return;
	}
	lang::Debug::printf("User defaults: \"%s\" is not a finite number; that key is dropped\n", key.c_str());
	remove(key);
}

void UserDefaults::setString(std::string const& key, std::string const& value)
{
	set(key, value);
}

void UserDefaults::remove(std::string const& key)
{
	Lock lock(m_mutex);
	if (!m_read)
		refresh();
	m_values.erase(key);
	m_changed.insert(key);
}

void UserDefaults::reset()
{
	Lock lock(m_mutex);
	m_values.clear();
	m_changed.clear();
	m_stamp = FileStamp();
	m_read = false;
	m_bad = false;
}

} // pf
