// CDrvSheet: the wizard sheet. It owns the eight page objects and puts the
// pages of the wizard mode into the wizard; the front end (a property sheet
// on Windows, the terminal runner on Linux) shows them.
#pragma once

#include <vector>

#include "wizard/install/pages/page10.h"
#include "wizard/install/pages/page11.h"
#include "wizard/install/pages/page12.h"
#include "wizard/page.h"
#include "wizard/page0.h"
#include "wizard/page2.h"
#include "wizard/uninstall/page1.h"
#include "wizard/uninstall/page3.h"
#include "wizard/uninstall/page4.h"

namespace zr {

class CDrvSheet {
 public:
  // Adds the pages of the wizard mode: the install pages, the uninstall
  // pages, or for any other value the chooser alone.
  explicit CDrvSheet(CRegEdit& engine);
  CDrvSheet(const CDrvSheet&) = delete;
  CDrvSheet& operator=(const CDrvSheet&) = delete;

  // The pages in wizard order; the chooser adds more while the wizard runs.
  const std::vector<CPage*>& Pages() const { return pages_; }
  void AddPage(CPage& page) { pages_.push_back(&page); }

  CRegEdit& Engine() { return engine_; }

  CPage0 m_page0;
  CPage1 m_page1;
  CPage2 m_page2;
  CPage3 m_page3;
  CPage4 m_page4;
  CPage10 m_page10;
  CPage11 m_page11;
  CPage12 m_page12;

 private:
  CRegEdit& engine_;
  std::vector<CPage*> pages_;
};

}  // namespace zr
