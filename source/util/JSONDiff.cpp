#include "JSONDiff.h"
#include <cjson/cJSON.h>
#include <algorithm>
#include <cassert>
#include <cstring>
#include <vector>

namespace util
{

namespace
{

int typeOf(cJSON const* item)
{
	return item->type & 0xFF;
}

/** Compares member names; a missing name sorts first. */
int compareNames(cJSON const* a, cJSON const* b)
{
	return std::strcmp(a->string ? a->string : "", b->string ? b->string : "");
}

/** Adds item to delta under name, or appends it when delta is an array. */
void addTo(cJSON* delta, char const* name, cJSON* item)
{
	if (!item)
		return;
	bool added = cJSON_IsArray(delta) ? cJSON_AddItemToArray(delta, item)
		: (name && cJSON_AddItemToObject(delta, name, item));
	if (!added)
		cJSON_Delete(item);
}

/** A new item that refers to item's content without owning it. */
cJSON* referenceTo(cJSON* item)
{
	switch (typeOf(item))
	{
	case cJSON_Array:
		return cJSON_CreateArrayReference(item->child);
	case cJSON_Object:
		return cJSON_CreateObjectReference(item->child);
	case cJSON_String:
		return cJSON_CreateStringReference(item->valuestring);
	default:
		return cJSON_Duplicate(item, false);
	}
}

} // namespace

void sortcJSON(cJSON* item)
{
	if (!item || !cJSON_IsObject(item))
		return;

	std::vector<cJSON*> children;
	for (cJSON* c = item->child; c; c = c->next)
	{
		if (cJSON_IsObject(c))
			sortcJSON(c);
		children.push_back(c);
	}
	if (children.size() < 2)
		return;

	std::stable_sort(children.begin(), children.end(),
		[](cJSON const* a, cJSON const* b) { return compareNames(a, b) < 0; });

	// Relink keeping the list's invariants: the first child's prev is the
	// last child and the last child's next is null.
	size_t n = children.size();
	for (size_t k = 0; k < n; ++k)
	{
		children[k]->next = k + 1 < n ? children[k + 1] : nullptr;
		children[k]->prev = k > 0 ? children[k - 1] : children[n - 1];
	}
	item->child = children[0];
}

cJSON* diffcJSON(cJSON* a, cJSON* b)
{
	cJSON* delta = cJSON_CreateObject();
	if (!delta || !a || !b)
		return delta;

	sortcJSON(a);
	sortcJSON(b);

	if (cJSON_IsObject(a) && cJSON_IsObject(b))
	{
		iterateThroughPeers(a->child, b->child, delta);
		return delta;
	}

	// Roots that are not both objects have no members to compare: the
	// difference is nothing or the whole of b.
	bool equal = false;
	if (typeOf(a) == typeOf(b))
	{
		cJSON* scratch = cJSON_CreateArray();
		if (scratch)
		{
			diffItemValues(a, b, scratch);
			equal = !scratch->child;
			cJSON_Delete(scratch);
		}
	}
	if (equal)
		return delta;
	cJSON* whole = referenceTo(b);
	if (whole)
	{
		cJSON_Delete(delta);
		return whole;
	}
	return delta;
}

void iterateThroughPeers(cJSON* i, cJSON* j, cJSON* delta)
{
	while (j)
	{
		int order = i ? compareNames(i, j) : 1;
		if (order < 0)
		{
			// Only in the first list: removed.
			if (i->string)
				cJSON_AddNullToObject(delta, i->string);
			i = i->next;
		}
		else if (order > 0)
		{
			// Only in the second list: new.
			if (j->string)
				cJSON_AddItemReferenceToObject(delta, j->string, j);
			j = j->next;
		}
		else
		{
			if (typeOf(i) == typeOf(j))
				diffItemValues(i, j, delta);
			else if (j->string)
				cJSON_AddItemReferenceToObject(delta, j->string, j);
			i = i->next;
			j = j->next;
		}
	}
	for (; i; i = i->next)
	{
		if (i->string)
			cJSON_AddNullToObject(delta, i->string);
	}
}

void diffItemValues(cJSON* i, cJSON* j, cJSON* delta)
{
	assert(i && j);
	assert(delta);
	int iType = typeOf(i);
	int jType = typeOf(j);
	assert(iType == jType);
	(void)jType;

	switch (iType)
	{
	case cJSON_Number:
		if (i->valuedouble != j->valuedouble)
			addTo(delta, j->string, cJSON_CreateNumber(j->valuedouble));
		break;

	case cJSON_String:
		if (std::strcmp(i->valuestring, j->valuestring) != 0)
			addTo(delta, j->string, cJSON_CreateString(j->valuestring));
		break;

	case cJSON_Array:
	{
		bool different = false;
		cJSON* scratch = cJSON_CreateArray();
		cJSON* x = i->child;
		cJSON* y = j->child;
		for (; x && y && !different; x = x->next, y = y->next)
		{
			if (typeOf(x) != typeOf(y))
			{
				different = true;
			}
			else if (scratch)
			{
				diffItemValues(x, y, scratch);
				different = scratch->child != nullptr;
			}
		}
		if (x || y)
			different = true;
		cJSON_Delete(scratch);
		if (different)
		{
			if (cJSON_IsArray(delta))
				cJSON_AddItemReferenceToArray(delta, j);
			else if (j->string)
				cJSON_AddItemReferenceToObject(delta, j->string, j);
		}
		break;
	}

	case cJSON_Object:
	{
		cJSON* sub = cJSON_CreateObject();
		if (!sub)
			break;
		iterateThroughPeers(i->child, j->child, sub);
		if (sub->child)
			addTo(delta, i->string, sub);
		else
			cJSON_Delete(sub);
		break;
	}

	default:
		// Booleans and nulls of one type are equal.
		break;
	}
}

} // util
