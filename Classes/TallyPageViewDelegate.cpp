#include "TallyPageViewDelegate.h"
#include "TallyLog.h"

namespace
{

std::string titleOf(TallyViewController const* controller)
{
	return controller ? controller->title() : std::string("(null)");
}

} // namespace

lang::Ptr<TallyPageViewDelegate> TallyPageViewDelegate::createDelegateOnTarget(TallyViewController* target)
{
	if (auto* navigation = dynamic_cast<TallyNavigationController*>(target))
	{
		lang::Ptr<TallyPageViewDelegate> delegate(new TallyPageViewDelegate(TallySession::currentSession(), navigation->delegate().get()));
		navigation->setDelegate(delegate.get());
		return delegate;
	}
	if (auto* tabBar = dynamic_cast<TallyTabBarController*>(target))
	{
		lang::Ptr<TallyPageViewDelegate> delegate(new TallyPageViewDelegate(TallySession::currentSession(), tabBar->delegate().get()));
		tabBar->setDelegate(delegate.get());
		return delegate;
	}
	return nullptr;
}

TallyPageViewDelegate::TallyPageViewDelegate(lang::Ptr<TallySession> const& session, lang::Ptr<lang::Object> const& delegate) :
	m_delegate(delegate), m_session(session)
{
	tallyLog("Tally: TallyPageViewDelegate session[%@] delegate[%@] created",
	         {static_cast<void const*>(session.get()), static_cast<void const*>(delegate.get())});
}

bool TallyPageViewDelegate::implements(TallyNavigationControllerDelegate::Operation) const
{
	return true;
}

bool TallyPageViewDelegate::implements(TallyTabBarControllerDelegate::Operation) const
{
	return true;
}

TallyNavigationControllerDelegate* TallyPageViewDelegate::previous(TallyNavigationControllerDelegate::Operation operation) const
{
	auto* delegate = dynamic_cast<TallyNavigationControllerDelegate*>(m_delegate.get());
	return delegate && delegate->implements(operation) ? delegate : nullptr;
}

TallyTabBarControllerDelegate* TallyPageViewDelegate::previous(TallyTabBarControllerDelegate::Operation operation) const
{
	auto* delegate = dynamic_cast<TallyTabBarControllerDelegate*>(m_delegate.get());
	return delegate && delegate->implements(operation) ? delegate : nullptr;
}

void TallyPageViewDelegate::countPage()
{
	if (!m_session)
		return;
	m_session->maybeIncrementPageView();
	tallyLog("Tally: pageViewCount[%d]", {m_session->pageViewCount()});
}

void TallyPageViewDelegate::navigationControllerWillShowViewController(TallyNavigationController* navigationController,
                                                                        TallyViewController* viewController, bool animated)
{
	tallyLog("Tally: TallyPageViewDelegate [%@] [%@] [%d]", {titleOf(navigationController), titleOf(viewController), animated ? 1 : 0});
	if (auto* delegate = previous(TallyNavigationControllerDelegate::WILL_SHOW))
		delegate->navigationControllerWillShowViewController(navigationController, viewController, animated);
}

void TallyPageViewDelegate::navigationControllerDidShowViewController(TallyNavigationController* navigationController,
                                                                       TallyViewController* viewController, bool animated)
{
	tallyLog("Tally: TallyPageViewDelegate [%@]", {titleOf(navigationController)});
	if (auto* delegate = previous(TallyNavigationControllerDelegate::DID_SHOW))
		delegate->navigationControllerDidShowViewController(navigationController, viewController, animated);
	tallyLog("Tally: Navigation View [%@]", {titleOf(viewController)});
	countPage();
}

bool TallyPageViewDelegate::tabBarControllerShouldSelectViewController(TallyTabBarController* tabBarController, TallyViewController* viewController)
{
	tallyLog("Tally: TallyPageViewDelegate [%@] [%@]", {titleOf(tabBarController), titleOf(viewController)});
	if (auto* delegate = previous(TallyTabBarControllerDelegate::SHOULD_SELECT))
		return delegate->tabBarControllerShouldSelectViewController(tabBarController, viewController);
	return true;
}

void TallyPageViewDelegate::tabBarControllerDidSelectViewController(TallyTabBarController* tabBarController, TallyViewController* viewController)
{
	tallyLog("Tally: TallyPageViewDelegate [%@] [%@]", {titleOf(tabBarController), titleOf(viewController)});
	if (auto* delegate = previous(TallyTabBarControllerDelegate::DID_SELECT))
		delegate->tabBarControllerDidSelectViewController(tabBarController, viewController);
	countPage();
}

void TallyPageViewDelegate::tabBarControllerWillBeginCustomizingViewControllers(TallyTabBarController* tabBarController,
                                                                                TallyViewControllers const& viewControllers)
{
	tallyLog("Tally: TallyPageViewDelegate [%@] [%@]", {titleOf(tabBarController), static_cast<int64_t>(viewControllers.size())});
	if (auto* delegate = previous(TallyTabBarControllerDelegate::WILL_BEGIN_CUSTOMIZING))
		delegate->tabBarControllerWillBeginCustomizingViewControllers(tabBarController, viewControllers);
}

void TallyPageViewDelegate::tabBarControllerWillEndCustomizingViewControllers(TallyTabBarController* tabBarController,
                                                                              TallyViewControllers const& viewControllers, bool changed)
{
	tallyLog("Tally: TallyPageViewDelegate [%@] [%@] [%d]", {titleOf(tabBarController), static_cast<int64_t>(viewControllers.size()), changed ? 1 : 0});
	if (auto* delegate = previous(TallyTabBarControllerDelegate::WILL_END_CUSTOMIZING))
		delegate->tabBarControllerWillEndCustomizingViewControllers(tabBarController, viewControllers, changed);
}

void TallyPageViewDelegate::tabBarControllerDidEndCustomizingViewControllers(TallyTabBarController* tabBarController,
                                                                             TallyViewControllers const& viewControllers, bool changed)
{
	tallyLog("Tally: TallyPageViewDelegate [%@] [%@] [%d]", {titleOf(tabBarController), static_cast<int64_t>(viewControllers.size()), changed ? 1 : 0});
	if (auto* delegate = previous(TallyTabBarControllerDelegate::DID_END_CUSTOMIZING))
		delegate->tabBarControllerDidEndCustomizingViewControllers(tabBarController, viewControllers, changed);
}
