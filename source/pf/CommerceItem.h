#pragma once

#include <lang/Object.h>
#include <string>
#include <vector>

namespace pf
{

/** One product of the store's list. Main thread. */
class CommerceItem : public lang::Object
{
public:
	enum ItemType
	{
		/** Every listed item has this type. */
		ITEMTYPE_PRODUCT = 1,
	};

	CommerceItem(std::string const& id, ItemType type, std::string const& title, std::string const& description,
		std::string const& price);
	~CommerceItem() override;

	std::string const& getId() const { return m_id; }
	ItemType getType() const { return m_type; }

	/** 0 until a purchase or restore of the item. */
	int getQuantity() const { return m_quantity; }
	void setQuantity(int quantity) { m_quantity = quantity; }

	std::string const& getTitle() const { return m_title; }
	std::string const& getDescription() const { return m_description; }
	void setDescription(std::string const& description) { m_description = description; }

	/** The price as shown text. */
	std::string const& getPrice() const { return m_price; }

	std::vector<char> const& getReceipt() const { return m_receipt; }
	void setReceipt(std::vector<char> const& receipt) { m_receipt = receipt; }

private:
	std::string m_id;
	ItemType m_type;
	int m_quantity;
	std::string m_title;
	std::string m_description;
	std::string m_price;
	std::vector<char> m_receipt;
};

} // pf
