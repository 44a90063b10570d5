#pragma once
// The program's five report layouts, and the Issue Activity report's after
// them. Each call makes a new instance.

#include "reports/engine/ReportLayout.h"

ReportLayout rptOpenIssues();
ReportLayout rptIssuesByCategory();
ReportLayout rptIssuesByStatus();
ReportLayout rptIssuesByAssigned();
ReportLayout rptIssueDetails();

// Issue Details with each issue's activity under its fields, in one box
// that grows (the column "Activity", one entry a line). The comment keeps
// one line here: a block grows by one box only.
ReportLayout rptIssueActivity();
