#pragma once
// The program's five report layouts. Each call makes a new instance.

#include "reports/engine/ReportLayout.h"

ReportLayout rptOpenIssues();
ReportLayout rptIssuesByCategory();
ReportLayout rptIssuesByStatus();
ReportLayout rptIssuesByAssigned();
ReportLayout rptIssueDetails();
