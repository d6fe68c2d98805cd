#include "TallyViewController.h"

void TallyNavigationControllerDelegate::navigationControllerWillShowViewController(TallyNavigationController*, TallyViewController*, bool) {}

void TallyNavigationControllerDelegate::navigationControllerDidShowViewController(TallyNavigationController*, TallyViewController*, bool) {}

bool TallyTabBarControllerDelegate::tabBarControllerShouldSelectViewController(TallyTabBarController*, TallyViewController*)
{
	return true;
}

void TallyTabBarControllerDelegate::tabBarControllerDidSelectViewController(TallyTabBarController*, TallyViewController*) {}

void TallyTabBarControllerDelegate::tabBarControllerWillBeginCustomizingViewControllers(TallyTabBarController*, TallyViewControllers const&) {}

void TallyTabBarControllerDelegate::tabBarControllerWillEndCustomizingViewControllers(TallyTabBarController*, TallyViewControllers const&, bool) {}

void TallyTabBarControllerDelegate::tabBarControllerDidEndCustomizingViewControllers(TallyTabBarController*, TallyViewControllers const&, bool) {}

void TallyNavigationController::pushViewController(TallyViewController* viewController, bool animated)
{
	lang::Ptr<TallyNavigationControllerDelegate> delegate = m_delegate;
	if (delegate && delegate->implements(TallyNavigationControllerDelegate::WILL_SHOW))
		delegate->navigationControllerWillShowViewController(this, viewController, animated);
	if (delegate && delegate->implements(TallyNavigationControllerDelegate::DID_SHOW))
		delegate->navigationControllerDidShowViewController(this, viewController, animated);
}

bool TallyTabBarController::selectViewController(TallyViewController* viewController)
{
	lang::Ptr<TallyTabBarControllerDelegate> delegate = m_delegate;
	if (delegate && delegate->implements(TallyTabBarControllerDelegate::SHOULD_SELECT) &&
	    !delegate->tabBarControllerShouldSelectViewController(this, viewController))
		return false;
	if (delegate && delegate->implements(TallyTabBarControllerDelegate::DID_SELECT))
		delegate->tabBarControllerDidSelectViewController(this, viewController);
	return true;
}

void TallyTabBarController::customizeViewControllers(TallyViewControllers const& viewControllers, bool changed)
{
	lang::Ptr<TallyTabBarControllerDelegate> delegate = m_delegate;
	if (!delegate)
		return;
	if (delegate->implements(TallyTabBarControllerDelegate::WILL_BEGIN_CUSTOMIZING))
		delegate->tabBarControllerWillBeginCustomizingViewControllers(this, viewControllers);
	if (delegate->implements(TallyTabBarControllerDelegate::WILL_END_CUSTOMIZING))
		delegate->tabBarControllerWillEndCustomizingViewControllers(this, viewControllers, changed);
	if (delegate->implements(TallyTabBarControllerDelegate::DID_END_CUSTOMIZING))
		delegate->tabBarControllerDidEndCustomizingViewControllers(this, viewControllers, changed);
}
