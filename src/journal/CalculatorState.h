#pragma once
// The calculator state: the selection codes the last command wrote and the
// figures the commands hand on to each other (a form opens on what the last
// calculation entered; the preliminary forms store their values here for the
// routine that follows). Values at construction as the comments say, or 0.
// Entry items name the members they load from and store to
// (framework/Entry.h); nothing else writes them by name but the families.
#include "framework/Codes.h"

namespace mirto {

struct CalculatorState {
  // The selection codes.
  Approach m_nApproach = Approach::Randomization;
  Method m_nMethod = Method::Simple;
  Target m_nTarget = Target::MeanTotal;
  Objective m_nObjective = Objective::Point;
  Estimator m_nEstimator = Estimator::Simple;
  PredictionModel m_nModel = PredictionModel::A;
  int m_nLastResult = 0;  // 1 when the last routine appended a block

  // Sizes and counts.
  double m_dPopSize = 0.0;
  double m_dSampleSize = 0.0;
  int m_nPopSize = 0;        // N as an integer
  int m_nSampleSize = 0;     // n as an integer
  int m_nGroups = 0;         // strata K, or groups M
  double m_dGroups = 0.0;    // M as a double
  int m_nSampledGroups = 0;  // m
  double m_dSampledGroups = 0.0;
  int m_nExplanatory = 0;        // Model E: k
  int m_nAllocationSize = 0;     // allocation of a given n: n
  int m_nAllocationMinimum = 0;  // allocation of a given n: the least a group gets

  // Accuracy: the confidence level (probability and normal quantile), the
  // margin and the special target.
  double m_dLevel = 0.0;
  double m_dZ = 0.0;
  double m_dMargin = 0.0;
  SpecialTarget m_nSpecialTarget = SpecialTarget::MeanOrProportion;

  // Simple random sampling: sample figures and guesses.
  double m_dSampleMean = 0.0;
  double m_dSampleProp = 0.0;
  double m_dSampleSd = 0.0;
  double m_dSigma = 0.0;
  double m_dPi = 0.0;
  // The ratio and regression estimators.
  double m_dPopMeanX = 0.0;
  double m_dPopMeanY = 0.0;
  double m_dSampleMeanX = 0.0;
  double m_dSlope = 0.0;
  double m_dResidSd = 0.0;
  double m_dSigmaX = 0.0;
  double m_dSigmaY = 0.0;
  double m_dRhoXY = 0.0;
  // The ratio of two variables.
  double m_dSampleMean1 = 0.0;
  double m_dSampleMean2 = 0.0;
  double m_dSampleVar1 = 0.0;
  double m_dSampleVar2 = 0.0;
  double m_dSampleCov12 = 0.0;
  double m_dPopMean1 = 0.0;
  double m_dPopMean2 = 0.0;
  double m_dPopVar1 = 0.0;
  double m_dPopVar2 = 0.0;
  double m_dPopCov12 = 0.0;

  // Stratified sampling: the budget C and the fixed cost c_0.
  double m_dBudget = 0.0;
  double m_dFixedCost = 0.0;
  // Unequal probabilities with replacement, theoretical sd: the population mean or proportion.
  double m_dPopMean = 0.0;
  // Prediction: the population sums of X and of X squared, the variance of deviations sigma^2.
  double m_dSumX = 0.0;
  double m_dSumX2 = 0.0;
  double m_dDevVar = 0.0;
};

}  // namespace mirto
