// CDrvSheet: the wizard sheet. It owns the page objects and puts the pages
// of the wizard mode into the wizard; the front end (a property sheet on
// Windows, the terminal runner on Linux) shows them.
#pragma once

#include <vector>

#include "app/page.h"
#include "wizard/uninstall/page1.h"
#include "wizard/uninstall/page3.h"
#include "wizard/uninstall/page4.h"

namespace zr {

class CDrvSheet {
 public:
  // Adds the pages of engine.m_nWizardMode: 2 the uninstall pages; 1 the
  // install pages; any other value the chooser alone.
  explicit CDrvSheet(CRegEdit& engine);
  CDrvSheet(const CDrvSheet&) = delete;
  CDrvSheet& operator=(const CDrvSheet&) = delete;

  // The pages in wizard order; the chooser adds more while the wizard runs.
  const std::vector<CPage*>& Pages() const { return pages_; }
  void AddPage(CPage& page) { pages_.push_back(&page); }

  CRegEdit& Engine() { return engine_; }

  CPage1 m_page1;
  CPage3 m_page3;
  CPage4 m_page4;

 private:
  CRegEdit& engine_;
  std::vector<CPage*> pages_;
};

}  // namespace zr
